#include "platform/wavesound.h"
#include "support/bytes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>

#include <thread>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// The sound tests that need a server play into the private one of tests/sound-server.sh,
// whose recorder writes the server's output to $POTERO_SOUND_MONITOR as unsigned 8-bit mono
// samples at 22050 Hz, the format of the door sounds.
namespace {

using lebytes::dwords;
using lebytes::words;

constexpr int kMonitorRate = 22050;
constexpr int kDoorSoundFrames = 17640; // 0.8 s
constexpr qint64 kDoorSoundMinMs = 750; // what a play of 0.8 s takes at the least
constexpr qint64 kNoServerMaxMs = 800;  // a missing server is not waited for
constexpr int kChildTimeoutMs = 20000;  // a play that takes longer has hung
constexpr char kChildArgument[] = "--play-door-sound-in";
constexpr uid_t kNobody = 65534;
constexpr int kChildPlayed = 0;
constexpr int kChildRefused = 1;
constexpr int kChildNoFolder = 2;
constexpr int kChildNoUser = 3;
constexpr int kSilence = 128; // unsigned 8-bit zero
constexpr char kMissingServer[] = "unix:/nonexistent/potero-test/native";
constexpr qint64 kLead = kMonitorRate / 4; // see Monitor::since

QByteArray resourceFile(const char *name)
{
    QFile file(QStringLiteral(POTERO_RESOURCES "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

QByteArray riffWave(int tag, int channels, int rate, int bits, const QByteArray &samples)
{
    const int align = channels * bits / 8;
    const QByteArray fmt = words({tag}) + words({channels}) + dwords({rate}) +
                           dwords({rate * align}) + words({align}) + words({bits});
    const QByteArray chunks =
        "fmt " + dwords({16}) + fmt + "data" + dwords({samples.size()}) + samples;
    return "RIFF" + dwords({4 + chunks.size()}) + "WAVE" + chunks;
}

// A 440 Hz tone as 16-bit stereo at 44100 Hz, a format the door sounds do not have.
QByteArray stereoTone(double seconds)
{
    QByteArray samples;
    const int frames = int(seconds * 44100);
    for (int i = 0; i < frames; ++i) {
        const int v = int(std::lround(16000 * std::sin(2 * M_PI * 440 * i / 44100.0)));
        samples += words({v}) + words({v});
    }
    return riffWave(1, 2, 44100, 16, samples);
}

class Monitor
{
public:
    Monitor() : m_file(qEnvironmentVariable("POTERO_SOUND_MONITOR")) {}
    bool open() { return m_file.open(QIODevice::ReadOnly); }
    qint64 size() const { return m_file.size(); }

    // What the server played from offset on, read once the recorder has written
    // tailSeconds more after the moment of the call. The first samples of a sound can land a
    // little before the size the recording had when the play started (up to about 20 ms
    // here), so the tests that look for a sound read from kLead before that size.
    QByteArray since(qint64 offset, double tailSeconds)
    {
        const qint64 until = size() + qint64(tailSeconds * kMonitorRate);
        offset = std::max<qint64>(0, offset);
        if (!QTest::qWaitFor([&] { return size() >= until; }, 5000))
            return {};
        m_file.seek(offset);
        return m_file.read(until - offset);
    }

private:
    QFile m_file;
};

bool silent(char sample)
{
    return std::abs(static_cast<unsigned char>(sample) - kSilence) <= 1;
}

// How many of the sound's samples came out unchanged, where they match best. The place is
// found by a stretch from the middle of the sound: its start is too quiet to tell from
// silence.
int samplesPlayed(const QByteArray &recorded, QByteArrayView sound)
{
    auto level = [](QByteArrayView bytes, qsizetype i) {
        return int(static_cast<unsigned char>(bytes[i]));
    };
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

// The span from the first to the last sample that is not silence.
qsizetype soundingSpan(const QByteArray &recorded)
{
    const auto first = std::find_if_not(recorded.begin(), recorded.end(), silent);
    const auto last = std::find_if_not(recorded.rbegin(), recorded.rend(), silent);
    return first == recorded.end() ? 0 : (last.base() - first);
}

} // namespace

class TestWaveSound : public QObject
{
    Q_OBJECT

private slots:
    void waveBufferHoldsTheResource();
    void unreachableServerIsNotWaitedFor_data();
    void unreachableServerIsNotWaitedFor();
    void noServerIsStartedAndNothingIsSaid();
    void playsTheDoorSoundToTheEnd();
    void playsOtherPcmFormats();
    void refusedWaveIsNotPlayed_data();
    void refusedWaveIsNotPlayed();

private:
    bool needServer();
};

bool TestWaveSound::needServer()
{
    return qEnvironmentVariableIsSet("PULSE_SERVER") &&
           qEnvironmentVariableIsSet("POTERO_SOUND_MONITOR");
}

#define REQUIRE_SERVER()                                                                           \
    do {                                                                                           \
        if (!needServer())                                                                         \
            QSKIP("needs the private sound server: eval \"$(tests/sound-server.sh start)\" "       \
                  "sets PULSE_SERVER and POTERO_SOUND_MONITOR");                                   \
    } while (false)

void TestWaveSound::waveBufferHoldsTheResource()
{
    const ScopedEnv server("PULSE_SERVER", kMissingServer);
    PlayWaveResource(101);
    QCOMPARE(WaveBuffer, resourceFile("door101.wav"));
    PlayWaveResource(102);
    QCOMPARE(WaveBuffer, resourceFile("door102.wav"));
    PlayWaveResource(7);
    QVERIFY(WaveBuffer.isEmpty());
}

// A socket where a server should be that hangs up on every client, as a server does that
// refuses the program.
class HangingUpServer
{
public:
    explicit HangingUpServer(const QString &path)
    {
        m_fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = path.toLocal8Bit();
        qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
        m_listening = m_fd >= 0 &&
                      bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                      listen(m_fd, 4) == 0;
        if (m_listening)
            m_thread = std::thread([fd = m_fd] {
                for (int client; (client = accept(fd, nullptr, nullptr)) >= 0;)
                    close(client);
            });
    }
    ~HangingUpServer()
    {
        shutdown(m_fd, SHUT_RDWR);
        close(m_fd);
        if (m_thread.joinable())
            m_thread.join();
    }
    bool listening() const { return m_listening; }

private:
    int m_fd = -1;
    bool m_listening = false;
    std::thread m_thread;
};

void TestWaveSound::unreachableServerIsNotWaitedFor_data()
{
    QTest::addColumn<bool>("hangsUp");
    QTest::newRow("no server") << false;
    QTest::newRow("a server that hangs up") << true;
}

void TestWaveSound::unreachableServerIsNotWaitedFor()
{
    QFETCH(bool, hangsUp);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::optional<HangingUpServer> server;
    if (hangsUp) {
        server.emplace(dir.filePath("native"));
        QVERIFY(server->listening());
    }
    const ScopedEnv env("PULSE_SERVER", hangsUp ? "unix:" + dir.filePath("native").toLocal8Bit()
                                                : QByteArray(kMissingServer));
    QElapsedTimer timer;
    timer.start();
    const std::optional<QString> reason = wavesound::play(resourceFile("door101.wav"));
    const qint64 ms = timer.elapsed();
    QVERIFY2(reason.has_value(), "played without a server that takes the sound");
    QVERIFY2(ms < kNoServerMaxMs, qPrintable(QString("waited %1 ms for the server").arg(ms)));
}

// A client that names no server has one started for it when none answers, where the user's
// configuration allows that and the user is not root. The play runs in a child as an
// ordinary user whose configuration asks for that start, with a stand-in for the server
// program that leaves a mark, and nothing listening where a server would be. The child is
// this program afresh (the client library does not work in a forked copy of a process that
// used it); its output must stay empty.
void TestWaveSound::noServerIsStartedAndNothingIsSaid()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto everyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(dir.path(), everyone));
    const QString mark = dir.filePath("spawned");
    const QString daemon = dir.filePath("fake-server");
    const QString config = dir.filePath("client.conf");
    const auto write = [&](const QString &path, const QString &text) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0 &&
               file.setPermissions(everyone);
    };
    QVERIFY(write(daemon, QString("#!/bin/sh\necho \"$@\" > '%1'\nexit 1\n").arg(mark)));
    QVERIFY(write(config, QString("autospawn = yes\ndaemon-binary = %1\n").arg(daemon)));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("PULSE_SERVER");
    env.insert("PULSE_RUNTIME_PATH", dir.filePath("runtime"));
    env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
    env.insert("HOME", dir.path());
    env.insert("PULSE_CLIENTCONFIG", config);
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setChildProcessModifier([] {
        if (getuid() != 0)
            return;
        const gid_t nogroup = kNobody;
        if (setgroups(1, &nogroup) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
            setresuid(kNobody, kNobody, kNobody) != 0)
            _exit(kChildNoUser);
    });
    child.start(QCoreApplication::applicationFilePath(), {kChildArgument, dir.filePath("runtime")});
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    const bool ended = child.waitForFinished(kChildTimeoutMs);
    if (!ended) {
        child.kill();
        child.waitForFinished();
    }
    QVERIFY2(ended, "the play hung without a server");
    QVERIFY2(!QFile::exists(mark), "a sound server was started");
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), kChildRefused);
    const QByteArray said = child.readAll();
    QVERIFY2(said.isEmpty(), said.constData());
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
    const QByteArray recorded = monitor.since(before - kLead, 1.0);
    QVERIFY2(ms >= kDoorSoundMinMs,
             qPrintable(QString("returned after %1 ms, before the sound's end").arg(ms)));
    const int played = samplesPlayed(recorded, WaveBuffer.sliced(44));
    QVERIFY2(played >= kDoorSoundFrames * 95 / 100,
             qPrintable(QString("%1 of %2 samples heard").arg(played).arg(kDoorSoundFrames)));
}

// The sample format comes from the file: 16-bit stereo taken as 8-bit mono would last four
// times as long and sound as noise.
void TestWaveSound::playsOtherPcmFormats()
{
    REQUIRE_SERVER();
    Monitor monitor;
    QVERIFY(monitor.open());
    const double seconds = 0.4;
    const qint64 before = monitor.size();
    const std::optional<QString> reason = wavesound::play(stereoTone(seconds));
    QVERIFY2(!reason, qPrintable(reason.value_or(QString())));
    const qsizetype span = soundingSpan(monitor.since(before - kLead, 1.0));
    const qsizetype expected = qsizetype(seconds * kMonitorRate);
    QVERIFY2(span > expected * 9 / 10 && span < expected * 11 / 10,
             qPrintable(QString("sounded for %1 samples, not about %2").arg(span).arg(expected)));
}

void TestWaveSound::refusedWaveIsNotPlayed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray noise(22050, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char(i * 97 + 13);
    const QByteArray pcm = riffWave(1, 1, 22050, 8, noise);
    QTest::newRow("float samples") << riffWave(3, 1, 22050, 8, noise);
    QTest::newRow("truncated") << pcm.chopped(1);
    QTest::newRow("data longer than the file") << pcm.first(40) + dwords({0x7FFFFFFF}) + noise;
    QTest::newRow("no RIFF header") << "RIFX" + pcm.sliced(4);
}

void TestWaveSound::refusedWaveIsNotPlayed()
{
    QFETCH(QByteArray, bytes);
    REQUIRE_SERVER();
    Monitor monitor;
    QVERIFY(monitor.open());
    const qint64 before = monitor.size();
    const std::optional<QString> reason = wavesound::play(bytes);
    QVERIFY2(reason.has_value(), "a faulty WAVE was played");
    const QByteArray recorded = monitor.since(before, 0.5);
    QVERIFY(!recorded.isEmpty());
    QCOMPARE(soundingSpan(recorded), 0);
}

// The child of noServerIsStartedAndNothingIsSaid: makes the server folder its user owns (the
// client looks only in one of its own), then plays the door sound.
int playInChild(const char *runtime)
{
    if (mkdir(runtime, 0700) != 0)
        return kChildNoFolder;
    return wavesound::play(resourceFile("door101.wav")) ? kChildRefused : kChildPlayed;
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], kChildArgument) == 0)
        return playInChild(argv[2]);
    QCoreApplication app(argc, argv);
    TestWaveSound test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_wavesound.moc"
