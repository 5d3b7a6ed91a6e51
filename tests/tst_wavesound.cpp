#include "platform/wavesound.h"
#include "support/verifyok.h"
#include "support/wave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

// The tests that play need the private server of tests/sound-server.sh, whose recorder writes
// what the server played to $POTERO_SOUND_MONITOR as unsigned 8-bit mono samples at 22050 Hz,
// the format of the door sounds.
namespace {

constexpr int kMonitorRate = 22050;
constexpr qint64 kLead = kMonitorRate / 4; // see Monitor::since
constexpr char kChildArgument[] = "--play-door-sound-in";
constexpr uid_t kNobody = 65534;
constexpr char kMissingServer[] = "unix:/nonexistent/potero-test/native";

QByteArray doorSound()
{
    QFile file(QStringLiteral(POTERO_RESOURCES "/door101.wav"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Names a server that is not there, for one test.
class NoServer
{
public:
    NoServer() : m_old(qgetenv("PULSE_SERVER")) { qputenv("PULSE_SERVER", kMissingServer); }
    ~NoServer() { m_old.isNull() ? qunsetenv("PULSE_SERVER") : qputenv("PULSE_SERVER", m_old); }

private:
    QByteArray m_old;
};

class Monitor
{
public:
    Monitor() : m_file(qEnvironmentVariable("POTERO_SOUND_MONITOR")) {}
    bool open() { return m_file.open(QIODevice::ReadOnly); }
    qint64 size() const { return m_file.size(); }

    // What the server played from kLead before offset on, once the recorder has written
    // tailSeconds more: the first samples of a sound can land a little (about 20 ms) before
    // the size the recording had when the play started.
    QByteArray since(qint64 offset, double tailSeconds)
    {
        const qint64 until = size() + qint64(tailSeconds * kMonitorRate);
        offset = std::max<qint64>(0, offset - kLead);
        if (!QTest::qWaitFor([&] { return size() >= until; }, 5000))
            return {};
        m_file.seek(offset);
        return m_file.read(until - offset);
    }

private:
    QFile m_file;
};

int level(QByteArrayView bytes, qsizetype i)
{
    return int(static_cast<unsigned char>(bytes[i]));
}

// How many of the sound's samples came out unchanged, where they match best. The place is
// found by a stretch from the middle of the sound: its start is too quiet to tell from silence.
int samplesPlayed(const QByteArray &recorded, QByteArrayView sound)
{
    const qsizetype probe = std::min<qsizetype>(1000, sound.size());
    const qsizetype from = (sound.size() - probe) / 2;
    qsizetype bestAt = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (qsizetype at = 0; at + sound.size() <= recorded.size(); ++at) {
        qint64 distance = 0;
        for (qsizetype i = from; i < from + probe && distance < bestDistance; ++i)
            distance += std::abs(level(recorded, at + i) - level(sound, i));
        if (distance < bestDistance) {
            bestAt = at;
            bestDistance = distance;
        }
    }
    int same = 0;
    for (qsizetype i = 0; bestAt >= 0 && i < sound.size(); ++i)
        same += std::abs(level(recorded, bestAt + i) - level(sound, i)) <= 2;
    return same;
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
    void withoutAServer();
    void noServerIsStartedAndNothingIsSaid();
    void playsTheDoorSoundToTheEnd();
    void playsOtherPcmFormats();
};

#define REQUIRE_SERVER()                                                                           \
    if (!qEnvironmentVariableIsSet("PULSE_SERVER") ||                                              \
        !qEnvironmentVariableIsSet("POTERO_SOUND_MONITOR"))                                        \
    QSKIP("needs the private sound server: eval \"$(tests/sound-server.sh start)\"")

// The resource is loaded whether or not it can be played; a missing server is not waited for;
// a damaged sound is refused before any server is asked.
void TestWaveSound::withoutAServer()
{
    const NoServer server;
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

void TestWaveSound::playsTheDoorSoundToTheEnd()
{
    REQUIRE_SERVER();
    Monitor monitor;
    QVERIFY(monitor.open());
    const qint64 before = monitor.size();
    QElapsedTimer timer;
    timer.start();
    PlayWaveResource(101);
    const qint64 ms = timer.elapsed();
    const QByteArray recorded = monitor.since(before, 1.0);
    QVERIFY2(ms >= 750, qPrintable(QString("returned after %1 ms, before the end").arg(ms)));
    const int played = samplesPlayed(recorded, WaveBuffer.sliced(44));
    QVERIFY2(played >= 17640 * 95 / 100, qPrintable(QString("%1 samples heard").arg(played)));
}

// The sample format comes from the file: a 440 Hz tone in 16-bit stereo taken as 8-bit mono
// would last four times as long and sound as noise.
void TestWaveSound::playsOtherPcmFormats()
{
    REQUIRE_SERVER();
    Monitor monitor;
    QVERIFY(monitor.open());
    const int frames = 44100 * 4 / 10;
    QByteArray samples;
    for (int i = 0; i < frames; ++i) {
        const int v = int(std::lround(16000 * std::sin(2 * M_PI * 440 * i / 44100.0)));
        samples += lebytes::words({v, v});
    }
    const qint64 before = monitor.size();
    const Status played = wavesound::play(wave::pcm(2, 44100, 16, samples));
    QVERIFY_OK(played);
    const qsizetype span = soundingSpan(monitor.since(before, 1.0));
    const qsizetype expected = frames / 2;
    QVERIFY2(span > expected * 9 / 10 && span < expected * 11 / 10,
             qPrintable(QString("sounded for %1 samples, not about %2").arg(span).arg(expected)));
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
