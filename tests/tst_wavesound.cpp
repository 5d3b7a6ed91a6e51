#include "platform/wavefile.h"
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

// The parser, and the player. The tests that play need the private server of
// tests/sound-server.sh, whose recorder writes what the server played to $POTERO_SOUND_MONITOR
// as unsigned 8-bit mono samples at 22050 Hz, the format of the door sounds.
using namespace wave;

namespace {

constexpr int kMonitorRate = 22050;
constexpr char kChildArgument[] = "--play-door-sound-in";
constexpr uid_t kNobody = 65534;

QByteArray resource(const char *name)
{
    QFile file(QStringLiteral(POTERO_RESOURCES "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray samples(int n)
{
    QByteArray s(n, '\0');
    for (int i = 0; i < n; ++i)
        s[i] = char(i * 37);
    return s;
}

const QByteArray kPcm8Mono = fmt(1, 1, 22050, 8);
const QByteArray kMono = riff(kPcm8Mono + chunk("data", samples(100)));

// The span from the first to the last sample that is not silence (128, give or take 1) in what
// the server played from about offset on, once the recorder has written tailSeconds more. The
// first samples of a sound can land a little (about 20 ms) before the size the recording had
// when the play started, so a quarter second before offset is read as well.
qsizetype soundingSince(qint64 offset, double tailSeconds)
{
    QFile monitor(qEnvironmentVariable("POTERO_SOUND_MONITOR"));
    const qint64 until = monitor.size() + qint64(tailSeconds * kMonitorRate);
    if (!monitor.open(QIODevice::ReadOnly) ||
        !QTest::qWaitFor([&] { return monitor.size() >= until; }, 5000))
        return 0;
    monitor.seek(std::max<qint64>(0, offset - kMonitorRate / 4));
    const QByteArray recorded = monitor.read(until - monitor.pos());
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
    // The two sounds, 0.8 s and 2.0 s, parse and every cut of them, as a damaged resource would
    // be, is refused.
    void doorSounds()
    {
        for (const auto &[name, frames] :
             {std::pair("door101.wav", 17640), {"door102.wav", 44100}}) {
            const QByteArray bytes = resource(name);
            const Result<wavefile::Wave> result = wavefile::parse(bytes);
            QVERIFY2(result.ok(), name + (": " + reasonOf(result)));
            QCOMPARE(result->format.sampleRate, 22050);
            QCOMPARE(result->frames(), frames);
            QCOMPARE(result->samples.data(), bytes.constData() + 44);
            for (qsizetype n = 0; n < bytes.size(); ++n)
                QVERIFY2(!wavefile::parse(bytes.first(n)).ok(), qPrintable(QString::number(n)));
        }
    }

    void accepted_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QByteArray>("expected"); // the samples the parser must find

        const QByteArray s = samples(101);
        QTest::newRow("8-bit mono") << kMono << 1 << 8 << samples(100);
        QTest::newRow("24-bit mono, partial frame left out")
            << pcm(1, 48000, 24, s) << 1 << 24 << s.first(99);
        QTest::newRow("32-bit, 8 channels")
            << pcm(8, 8000, 32, s.first(64)) << 8 << 32 << s.first(64);
        QTest::newRow("16-bit stereo, odd chunk padded, data before fmt")
            << riff(chunk("data", s.first(7)) + chunk("LIST", s.first(3)) + fmt(1, 2, 22050, 16))
            << 2 << 16 << s.first(4);
        QTest::newRow("pad byte missing after the last chunk, bytes after the form")
            << riff(kPcm8Mono + chunk("data", s).chopped(1)) + "JUNK" << 1 << 8 << s;
        QTest::newRow("fmt with an extension size")
            << riff(chunk("fmt ", kPcm8Mono.sliced(8) + lebytes::words({0})) + chunk("data", s))
            << 1 << 8 << s;
        QTest::newRow("empty data")
            << riff(kPcm8Mono + chunk("data", {})) << 1 << 8 << QByteArray();
    }

    void accepted()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, channels);
        QFETCH(int, bits);
        QFETCH(QByteArray, expected);
        const Result<wavefile::Wave> result = wavefile::parse(bytes);
        QVERIFY_OK(result);
        QCOMPARE(result->format.channels, channels);
        QCOMPARE(result->format.bitsPerSample, bits);
        QCOMPARE(result->samples.toByteArray(), expected);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("offset"); // where the fault must be reported

        const QByteArray data = chunk("data", samples(100));
        const auto dataOf = [](uint32_t size) {
            return "data" + lebytes::dwords({size}) + samples(100);
        };
        QTest::newRow("empty") << QByteArray() << qint64(0);
        QTest::newRow("shorter than the RIFF header") << kMono.first(11) << qint64(0);
        QTest::newRow("not RIFF") << "RIFX" + kMono.sliced(4) << qint64(0);
        QTest::newRow("RIFF but not WAVE")
            << kMono.first(8) + "AVI " + kMono.sliced(12) << qint64(0);
        QTest::newRow("RIFF size past the end") << riff(kPcm8Mono + data, 1) << qint64(4);
        QTest::newRow("RIFF size 0xFFFFFFFF")
            << "RIFF" + lebytes::dwords({0xFFFFFFFF}) + kMono.sliced(8) << qint64(4);
        QTest::newRow("chunk header cut by the RIFF size")
            << riff(kPcm8Mono + data + "LIST") << qint64(12 + 24 + 108);
        QTest::newRow("data size past the RIFF form")
            << riff(kPcm8Mono + dataOf(101)) << qint64(36);
        QTest::newRow("data size 0xFFFFFFFF") << riff(kPcm8Mono + dataOf(0xFFFFFFFF)) << qint64(36);
        QTest::newRow("fmt of 15 bytes")
            << riff(chunk("fmt ", kPcm8Mono.sliced(8, 15)) + data) << qint64(20);
        QTest::newRow("IEEE float") << riff(fmt(3, 1, 22050, 32) + data) << qint64(20);
        QTest::newRow("extensible") << riff(fmt(0xFFFE, 1, 22050, 16) + data) << qint64(20);
        QTest::newRow("0 channels") << riff(fmt(1, 0, 22050, 8, 1) + data) << qint64(22);
        QTest::newRow("9 channels") << riff(fmt(1, 9, 22050, 8) + data) << qint64(22);
        QTest::newRow("999 Hz, below the cap") << riff(fmt(1, 1, 999, 8) + data) << qint64(24);
        QTest::newRow("one past the rate cap") << riff(fmt(1, 1, 384001, 8) + data) << qint64(24);
        QTest::newRow("0 bits") << riff(fmt(1, 1, 22050, 0, 1) + data) << qint64(34);
        QTest::newRow("12 bits") << riff(fmt(1, 1, 22050, 12, 2) + data) << qint64(34);
        QTest::newRow("block align disagrees")
            << riff(fmt(1, 2, 22050, 16, 2) + data) << qint64(32);
        QTest::newRow("no fmt") << riff(data) << qint64(12);
        QTest::newRow("no data") << riff(kPcm8Mono) << qint64(12);
        QTest::newRow("second fmt") << riff(kPcm8Mono + kPcm8Mono + data) << qint64(36);
    }

    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, offset);
        const Result<wavefile::Wave> result = wavefile::parse(bytes);
        QVERIFY2(!result.ok(), "a faulty WAVE was taken for a sound");
        QVERIFY(result.error().message.startsWith("WAVE at 0x"));
        QCOMPARE(result.error().offset, offset);
    }

    // A client that names no server has one started for it when none answers, where the user's
    // configuration allows that and the user is not root. The play runs in a child (this
    // program afresh: the client library does not work in a forked copy of a process that used
    // it) as an ordinary user whose configuration asks for that start, with a stand-in for the
    // server program that leaves a mark, and nothing listening where a server would be. The
    // child must say nothing.
    void noServerIsStartedAndNothingIsSaid()
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
        child.start(QCoreApplication::applicationFilePath(),
                    {kChildArgument, dir.filePath("runtime")});
        const bool ended = child.waitForFinished(20000);
        if (!ended)
            child.kill();
        QVERIFY2(ended, "the play hung without a server");
        QVERIFY2(!QFile::exists(mark), "a sound server was started");
        QCOMPARE(child.exitCode(), 1); // refused, see main
        QCOMPARE(child.readAll(), QByteArray());
    }

    // Each play lasts as long as its sound and returns when it has been heard to the end. The
    // sample format comes from the file: a 440 Hz tone in 16-bit stereo taken as 8-bit mono
    // would last four times as long and sound as noise.
    void playsToTheEnd()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") ||
            qEnvironmentVariableIsEmpty("POTERO_SOUND_MONITOR"))
            QSKIP("needs the private sound server: eval \"$(tests/sound-server.sh start)\"");
        QByteArray tone;
        for (int i = 0; i < 44100 * 4 / 10; ++i) {
            const int v = int(std::lround(16000 * std::sin(2 * M_PI * 440 * i / 44100.0)));
            tone += lebytes::words({v, v});
        }
        for (const auto &[sound, seconds] :
             {std::pair(resource("door101.wav"), 0.8), {pcm(2, 44100, 16, tone), 0.4}}) {
            const qint64 before = QFileInfo(qEnvironmentVariable("POTERO_SOUND_MONITOR")).size();
            QElapsedTimer timer;
            timer.start();
            const Status played = wavesound::play(sound);
            const qint64 ms = timer.elapsed();
            QVERIFY_OK(played);
            QVERIFY2(ms >= seconds * 950, qPrintable(QString("returned after %1 ms").arg(ms)));
            const qsizetype span = soundingSince(before, 1.0);
            const qsizetype expected = qsizetype(seconds * kMonitorRate);
            QVERIFY2(span > expected * 9 / 10 && span < expected * 11 / 10,
                     qPrintable(QString("sounded for %1 samples, not %2").arg(span).arg(expected)));
        }
    }

    // Last, as it names a server that is not there. The resource is loaded whether or not it
    // can be played; a missing server is not waited for; a damaged sound is refused before any
    // server is asked.
    void withoutAServer()
    {
        qputenv("PULSE_SERVER", "unix:/nonexistent/potero-test/native");
        PlayWaveResource(102);
        QVERIFY(WaveBuffer.size() > 44100);
        PlayWaveResource(7);
        QVERIFY(WaveBuffer.isEmpty());
        PlayWaveResource(101);
        QCOMPARE(WaveBuffer, resource("door101.wav"));
        QElapsedTimer timer;
        timer.start();
        const Status played = wavesound::play(WaveBuffer);
        QVERIFY2(timer.elapsed() < 800, qPrintable(QString::number(timer.elapsed())));
        // It got as far as the server: the client library was found and took the format.
        QVERIFY2(reasonOf(played).startsWith("sound server, connect:"), reasonOf(played));
        QVERIFY(reasonOf(wavesound::play(WaveBuffer.chopped(1))).startsWith("WAVE at"));
    }
};

// The child of noServerIsStartedAndNothingIsSaid: makes the server folder its user owns (the
// client looks only in one of its own), then plays the door sound.
int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], kChildArgument) == 0)
        return mkdir(argv[2], 0700) != 0 ? 2 : wavesound::play(resource("door101.wav")) ? 0 : 1;
    QCoreApplication app(argc, argv);
    TestWaveSound test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_wavesound.moc"
