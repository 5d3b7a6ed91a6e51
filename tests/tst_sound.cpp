// The door sound: its file, its player, and the middle door with it, whose sound is played to
// its end before the leaf moves, and which moves all the same when no sound can be played; and
// the doors' pause. The pause is checked for lower bounds only: it may be late on a busy machine,
// but it is never short. How close it comes is measured in bench/bench_pause.cpp. The tests that
// play need the private server of tests/sound-server.sh, whose recorder writes what the server
// played to $POTERO_SOUND_MONITOR as unsigned 8-bit mono samples at 22050 Hz, the format of the
// door sounds.

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "panel/frmset.h"
#include "platform/precisepause.h"
#include "platform/wavefile.h"
#include "platform/wavesound.h"
#include "support/bytes.h"
#include "support/files.h"
#include "support/verifyok.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono;
using precisepause::Clock;

namespace {

// RIFF/WAVE images made up here, small enough to read in a failure message.
// A chunk with its size field and, for an odd size, the pad byte.
QByteArray chunk(const char *id, const QByteArray &body)
{
    return QByteArray(id, 4) + lebytes::dwords({body.size()}) + body +
           QByteArray(body.size() % 2, '\0');
}

// A fmt chunk; blockAlign -1 is the one that agrees with the rest.
QByteArray fmt(int tag, int channels, uint32_t rate, int bits, int blockAlign = -1)
{
    if (blockAlign < 0)
        blockAlign = channels * bits / 8;
    return chunk("fmt ", lebytes::words({tag, channels}) +
                             lebytes::dwords({rate, rate * blockAlign}) +
                             lebytes::words({blockAlign, bits}));
}

// The RIFF form around chunks; sizeError is added to its size field.
QByteArray riff(const QByteArray &chunks, int64_t sizeError = 0)
{
    return "RIFF" + lebytes::dwords({4 + chunks.size() + sizeError}) + "WAVE" + chunks;
}

QByteArray pcm(int channels, int rate, int bits, const QByteArray &samples)
{
    return riff(fmt(1, channels, uint32_t(rate), bits) + chunk("data", samples));
}

constexpr int kMonitorRate = 22050;
constexpr char kChildVariable[] = "POTERO_TEST_PLAY_IN";
constexpr uid_t kNobody = 65534;

// The embedded sound resource, as the program ships it.
QByteArray resource(int id)
{
    return testfiles::read(QStringLiteral(":/door%1.wav").arg(id));
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

QByteArray describe(nanoseconds took, nanoseconds least)
{
    return QByteArray::number(qint64(took.count())) + " ns, expected " +
           QByteArray::number(qint64(least.count())) + " ns";
}

// Notes when the first step of a run comes, counted from the operation's start.
class TimedForm1 : public Form1
{
public:
    QElapsedTimer sinceStart;
    qint64 firstStepMs = -1;
    int steps = 0;

    // Opens the middle door: every step taken, the leaf at its end, the door sound loaded.
    void openMiddleDoor()
    {
        panel()->Check2->setChecked(true);
        sinceStart.start();
        Check2_Click();
        QCOMPARE(steps, 1111);
        QCOMPARE(Image2->Left(), -1110.0);
        QCOMPARE(WaveBuffer, resource(101));
    }

protected:
    void pauseCount(precisepause::Pacer &, int) override
    {
        if (steps++ == 0)
            firstStepMs = sinceStart.elapsed();
    }
};

} // namespace

class TestSound : public QObject
{
    Q_OBJECT
public:
    // The child of noServerIsStartedAndNothingIsSaid: makes the server folder its user owns
    // (the client looks only in one of its own), then plays the door sound.
    static void initMain()
    {
        if (const QByteArray folder = qgetenv(kChildVariable); !folder.isEmpty())
            std::exit(mkdir(folder.constData(), 0700) != 0 ? 2
                      : wavesound::play(resource(101))     ? 0
                                                           : 1);
    }

private slots:
    // The two sounds, 0.8 s and 2.0 s, parse and every cut of them, as a damaged resource would
    // be, is refused.
    void doorSounds()
    {
        for (const auto &[id, frames] : {std::pair(101, 17640), {102, 44100}}) {
            const QByteArray bytes = resource(id);
            const Result<wavefile::Wave> result = wavefile::parse(bytes);
            QVERIFY_OK(result);
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
        const auto row = [](const char *name, const QByteArray &bytes, qint64 offset) {
            QTest::newRow(name) << bytes << offset;
        };
        row("empty", {}, 0);
        row("shorter than the RIFF header", kMono.first(11), 0);
        row("not RIFF", "RIFX" + kMono.sliced(4), 0);
        row("RIFF but not WAVE", kMono.first(8) + "AVI " + kMono.sliced(12), 0);
        row("RIFF size past the end", riff(kPcm8Mono + data, 1), 4);
        row("RIFF size 0xFFFFFFFF", "RIFF" + lebytes::dwords({0xFFFFFFFF}) + kMono.sliced(8), 4);
        row("chunk header cut by the RIFF size", riff(kPcm8Mono + data + "LIST"), 12 + 24 + 108);
        row("data size past the RIFF form", riff(kPcm8Mono + dataOf(101)), 36);
        row("data size 0xFFFFFFFF", riff(kPcm8Mono + dataOf(0xFFFFFFFF)), 36);
        row("fmt of 15 bytes", riff(chunk("fmt ", kPcm8Mono.sliced(8, 15)) + data), 20);
        row("IEEE float", riff(fmt(3, 1, 22050, 32) + data), 20);
        row("extensible", riff(fmt(0xFFFE, 1, 22050, 16) + data), 20);
        row("0 channels", riff(fmt(1, 0, 22050, 8, 1) + data), 22);
        row("9 channels", riff(fmt(1, 9, 22050, 8) + data), 22);
        row("999 Hz, below the cap", riff(fmt(1, 1, 999, 8) + data), 24);
        row("one past the rate cap", riff(fmt(1, 1, 384001, 8) + data), 24);
        row("0 bits", riff(fmt(1, 1, 22050, 0, 1) + data), 34);
        row("12 bits", riff(fmt(1, 1, 22050, 12, 2) + data), 34);
        row("block align disagrees", riff(fmt(1, 2, 22050, 16, 2) + data), 32);
        row("no fmt", riff(data), 12);
        row("no data", riff(kPcm8Mono), 12);
        row("second fmt", riff(kPcm8Mono + kPcm8Mono + data), 36);
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

    // Nothing below a count of 1; the fastest slider, spin only, sleep and spin, the slowest.
    void pauseNeverShort()
    {
        for (int count : {-1, 0, 1, 499, 501, 30000}) {
            const nanoseconds least = count < 1 ? nanoseconds(0) : nanoseconds(200 * count);
            QCOMPARE(precisepause::length(count), least);
            for (int i = 0; i < 20; ++i) {
                const Clock::time_point start = Clock::now();
                precisepause::pause(count);
                const nanoseconds took = Clock::now() - start;
                QVERIFY2(took >= least, describe(took, least).constData());
            }
        }
    }

    // A run's first pause counts from its start. Each pause ends a whole pause after the one
    // before, the step between included; a step slower than its pause is won back from the next
    // pauses, but never more than the allowance: after a long stall the door does not rush ahead.
    void pacer()
    {
        const nanoseconds each = precisepause::length(6000);
        const nanoseconds allowance = precisepause::kMaxCatchUp;
        const Clock::time_point start = Clock::now();
        precisepause::Pacer pacer;
        Clock::time_point last = pacer.pause(6000);
        QVERIFY2(last - start >= each && Clock::now() >= last, describe(last - start, each));
        for (nanoseconds step : {each / 2, each / 2, each * 3 / 2, each * 25, nanoseconds(0)}) {
            const Clock::time_point stepEnd = Clock::now() + step;
            while (Clock::now() < stepEnd) {
            }
            const Clock::time_point called = Clock::now();
            const Clock::time_point until = pacer.pause(6000);
            QVERIFY2(Clock::now() >= until, "returned before the end of its pause");
            // Later only when the step overran the allowance, and then by no more than it.
            if (called > last + each + allowance)
                QVERIFY2(until >= called - allowance && until <= called,
                         describe(called - until, allowance).constData());
            else
                QVERIFY2(until == last + each, describe(until - last, each).constData());
            last = until;
        }
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
        for (const char *name : {"PULSE_RUNTIME_PATH", "XDG_RUNTIME_DIR", kChildVariable})
            env.insert(name, dir.filePath("runtime"));
        env.insert("HOME", dir.path());
        env.insert("PULSE_CLIENTCONFIG", dir.filePath("client.conf"));
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.setChildProcessModifier([] {
            const gid_t nogroup = kNobody;
            if (getuid() == 0 &&
                (setgroups(1, &nogroup) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
                 setresuid(kNobody, kNobody, kNobody) != 0))
                _exit(3);
        });
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath());
        if (!child.waitForStarted())
            QSKIP("this test program cannot be run as an ordinary user from where it lies");
        QVERIFY2(child.waitForFinished(20000), "the play hung without a server");
        QVERIFY2(!QFile::exists(mark), "a sound server was started");
        // Refused (exit status 1, see initMain), and without a word.
        QCOMPARE(QByteArray::number(child.exitCode()) + child.readAll(), QByteArray("1"));
    }

    // Each play lasts as long as its sound and returns when it has been heard to the end. The
    // sample format comes from the file: a 440 Hz tone in 16-bit stereo taken as 8-bit mono
    // would last four times as long and sound as noise. The leaf waits for all of the door
    // sound, 0.8 s.
    void playsToTheEndBeforeTheLeafMoves()
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
             {std::pair(resource(101), 0.8), {pcm(2, 44100, 16, tone), 0.4}}) {
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
        TimedForm1 form;
        form.openMiddleDoor();
        QVERIFY2(form.firstStepMs >= 750, qPrintable(QString::number(form.firstStepMs)));
    }

    // Last, as it names a server that is not there. The resource is loaded whether or not it
    // can be played; a missing server is not waited for; a damaged sound is refused before any
    // server is asked; the door moves all the same.
    void withoutAServer()
    {
        qputenv("PULSE_SERVER", "unix:/nonexistent/potero-test/native");
        PlayWaveResource(102);
        QCOMPARE(WaveBuffer, resource(102));
        PlayWaveResource(7);
        QVERIFY(WaveBuffer.isEmpty());
        const Status played = wavesound::play(resource(101));
        // It got as far as the server: the client library was found and took the format.
        QVERIFY2(reasonOf(played).startsWith("sound server, connect:"), reasonOf(played));
        QVERIFY(reasonOf(wavesound::play(resource(101).chopped(1))).startsWith("WAVE at"));
        TimedForm1().openMiddleDoor();
    }
};

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
