#include "platform/wavesound.h"
#include "support/verifyok.h"
#include "support/wave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

// The tests that play need the private server of tests/sound-server.sh, whose recorder writes
// what the server played to $POTERO_SOUND_MONITOR as unsigned 8-bit mono samples at 22050 Hz,
// the format of the door sounds.
namespace {

constexpr int kMonitorRate = 22050;
constexpr char kChildArgument[] = "--play-door-sound-in";
constexpr uid_t kNobody = 65534;
constexpr char kMissingServer[] = "unix:/nonexistent/potero-test/native";

QByteArray doorSound()
{
    QFile file(QStringLiteral(POTERO_RESOURCES "/door101.wav"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the server played from about offset on, once the recorder has written tailSeconds more.
// The first samples of a sound can land a little (about 20 ms) before the size the recording
// had when the play started, so a quarter second before offset is read as well.
QByteArray playedSince(qint64 offset, double tailSeconds)
{
    QFile monitor(qEnvironmentVariable("POTERO_SOUND_MONITOR"));
    const qint64 until = monitor.size() + qint64(tailSeconds * kMonitorRate);
    if (!monitor.open(QIODevice::ReadOnly) ||
        !QTest::qWaitFor([&] { return monitor.size() >= until; }, 5000))
        return {};
    monitor.seek(std::max<qint64>(0, offset - kMonitorRate / 4));
    return monitor.read(until - monitor.pos());
}

qint64 recordedSoFar()
{
    return QFileInfo(qEnvironmentVariable("POTERO_SOUND_MONITOR")).size();
}

// The span from the first to the last sample that is not silence (128, give or take 1).
qsizetype soundingSpan(const QByteArray &recorded)
{
    const auto silent = [](char sample) { return std::abs(uchar(sample) - 128) <= 1; };
    const auto first = std::find_if_not(recorded.begin(), recorded.end(), silent);
    const auto last = std::find_if_not(recorded.rbegin(), recorded.rend(), silent);
    return first == recorded.end() ? 0 : (last.base() - first);
}

} // namespace

class TestWaveSound : public QObject
{
    Q_OBJECT

private slots:
    void noServerIsStartedAndNothingIsSaid();
    void playsToTheEnd();
    void withoutAServer(); // last: it names a server that is not there
};

#define REQUIRE_SERVER()                                                                           \
    if (!qEnvironmentVariableIsSet("PULSE_SERVER") ||                                              \
        !qEnvironmentVariableIsSet("POTERO_SOUND_MONITOR"))                                        \
    QSKIP("needs the private sound server: eval \"$(tests/sound-server.sh start)\"")

// The resource is loaded whether or not it can be played; a missing server is not waited for;
// a damaged sound is refused before any server is asked.
void TestWaveSound::withoutAServer()
{
    qputenv("PULSE_SERVER", kMissingServer);
    PlayWaveResource(102);
    QVERIFY(WaveBuffer.size() > 44100);
    PlayWaveResource(7);
    QVERIFY(WaveBuffer.isEmpty());
    PlayWaveResource(101);
    QCOMPARE(WaveBuffer, doorSound());
    QElapsedTimer timer;
    timer.start();
    const Status played = wavesound::play(WaveBuffer);
    QVERIFY2(timer.elapsed() < 800, qPrintable(QString::number(timer.elapsed())));
    // It got as far as the server: the client library was found and took the format.
    QVERIFY2(reasonOf(played).startsWith("sound server, connect:"), reasonOf(played));
    const Status cut = wavesound::play(doorSound().chopped(1));
    QVERIFY(reasonOf(cut).startsWith("WAVE at"));
}

// A client that names no server has one started for it when none answers, where the user's
// configuration allows that and the user is not root. The play runs in a child (this program
// afresh: the client library does not work in a forked copy of a process that used it) as an
// ordinary user whose configuration asks for that start, with a stand-in for the server
// program that leaves a mark, and nothing listening where a server would be. The child must
// say nothing.
void TestWaveSound::noServerIsStartedAndNothingIsSaid()
{
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
    const QString mark = dir.filePath("spawned");
    const auto write = [&](const char *name, const QString &text) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0 &&
               file.setPermissions(QFileDevice::Permissions(0x7777));
    };
    QVERIFY(write("fake-server", QString("#!/bin/sh\necho \"$@\" > '%1'\nexit 1\n").arg(mark)));
    QVERIFY(write("client.conf",
                  "autospawn = yes\ndaemon-binary = " + dir.filePath("fake-server") + "\n"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("PULSE_SERVER");
    for (const char *name : {"PULSE_RUNTIME_PATH", "XDG_RUNTIME_DIR"})
        env.insert(name, dir.filePath("runtime"));
    env.insert("HOME", dir.path());
    env.insert("PULSE_CLIENTCONFIG", dir.filePath("client.conf"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setChildProcessModifier([] {
        const gid_t nogroup = kNobody;
        if (getuid() == 0 &&
            (setgroups(1, &nogroup) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
             setresuid(kNobody, kNobody, kNobody) != 0))
            _exit(3);
    });
    child.start(QCoreApplication::applicationFilePath(), {kChildArgument, dir.filePath("runtime")});
    const bool ended = child.waitForFinished(20000);
    if (!ended)
        child.kill();
    QVERIFY2(ended, "the play hung without a server");
    QVERIFY2(!QFile::exists(mark), "a sound server was started");
    QCOMPARE(child.exitCode(), 1); // refused, see playInChild
    QCOMPARE(child.readAll(), QByteArray());
}

// Each play lasts as long as its sound and returns when it has been heard to the end. The
// sample format comes from the file: a 440 Hz tone in 16-bit stereo taken as 8-bit mono would
// last four times as long and sound as noise.
void TestWaveSound::playsToTheEnd()
{
    REQUIRE_SERVER();
    QByteArray tone;
    for (int i = 0; i < 44100 * 4 / 10; ++i) {
        const int v = int(std::lround(16000 * std::sin(2 * M_PI * 440 * i / 44100.0)));
        tone += lebytes::words({v, v});
    }
    for (const auto &[sound, seconds] :
         {std::pair(doorSound(), 0.8), {wave::pcm(2, 44100, 16, tone), 0.4}}) {
        const qint64 before = recordedSoFar();
        QElapsedTimer timer;
        timer.start();
        const Status played = wavesound::play(sound);
        const qint64 ms = timer.elapsed();
        QVERIFY_OK(played);
        QVERIFY2(ms >= seconds * 950, qPrintable(QString("returned after %1 ms").arg(ms)));
        const qsizetype span = soundingSpan(playedSince(before, 1.0));
        const qsizetype expected = qsizetype(seconds * kMonitorRate);
        QVERIFY2(span > expected * 9 / 10 && span < expected * 11 / 10,
                 qPrintable(QString("sounded for %1 samples, not %2").arg(span).arg(expected)));
    }
}

// The child of noServerIsStartedAndNothingIsSaid: makes the server folder its user owns (the
// client looks only in one of its own), then plays the door sound.
int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], kChildArgument) == 0)
        return mkdir(argv[2], 0700) != 0 ? 2 : wavesound::play(doorSound()) ? 0 : 1;
    QCoreApplication app(argc, argv);
    TestWaveSound test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_wavesound.moc"
