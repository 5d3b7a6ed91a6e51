#include "platform/wavefile.h"

#include <QFile>
#include <QTest>

#include <cstdint>
#include <tuple>

// RIFF/WAVE images made up in the tests, small enough to read in a failure message.
namespace {

QByteArray u16(std::uint16_t v)
{
    const char b[2] = {char(v & 0xFF), char(v >> 8)};
    return QByteArray(b, 2);
}

QByteArray u32(std::uint32_t v)
{
    return u16(v & 0xFFFF) + u16(v >> 16);
}

// A chunk with its size field and, for an odd size, the pad byte.
QByteArray chunk(const char *id, const QByteArray &body)
{
    QByteArray c = QByteArray(id, 4) + u32(body.size()) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

QByteArray fmtBody(int tag, int channels, std::uint32_t rate, int bits, int blockAlign = -1)
{
    if (blockAlign < 0)
        blockAlign = channels * bits / 8;
    return u16(tag) + u16(channels) + u32(rate) + u32(rate * blockAlign) + u16(blockAlign) +
           u16(bits);
}

QByteArray fmt(int tag, int channels, std::uint32_t rate, int bits, int blockAlign = -1)
{
    return chunk("fmt ", fmtBody(tag, channels, rate, bits, blockAlign));
}

const QByteArray kPcm8Mono = fmt(1, 1, 22050, 8);

// The RIFF form around chunks; sizeError is added to its size field.
QByteArray riff(const QByteArray &chunks, std::int64_t sizeError = 0)
{
    return "RIFF" + u32(std::uint32_t(4 + chunks.size() + sizeError)) + "WAVE" + chunks;
}

QByteArray samples(int n)
{
    QByteArray s(n, '\0');
    for (int i = 0; i < n; ++i)
        s[i] = char(i * 37);
    return s;
}

const QByteArray kMono = riff(kPcm8Mono + chunk("data", samples(100)));

QByteArray resourceFile(const char *name)
{
    QFile file(QStringLiteral(POTERO_RESOURCES "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestWaveFile : public QObject
{
    Q_OBJECT

private slots:
    void doorSounds_data();
    void doorSounds();
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void everyTruncationIsRefused();
};

void TestWaveFile::doorSounds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("frames");
    QTest::newRow("101, the door sound: 0.8 s") << "door101.wav" << qint64(17640);
    QTest::newRow("102, the long sound: 2.0 s") << "door102.wav" << qint64(44100);
}

void TestWaveFile::doorSounds()
{
    QFETCH(QString, name);
    QFETCH(qint64, frames);
    const QByteArray bytes = resourceFile(name.toLatin1().constData());
    QVERIFY2(!bytes.isEmpty(), qPrintable(name));
    const wavefile::Result result = wavefile::parse(bytes);
    QVERIFY2(result.ok(), qPrintable(result.error().message));
    const auto &format = result.wave().format;
    QCOMPARE(std::tuple(format.channels, format.sampleRate, format.bitsPerSample),
             std::tuple(1, 22050, 8));
    QCOMPARE(result.wave().frames(), frames);
    QCOMPARE(result.wave().samples.data(), bytes.constData() + 44);
}

void TestWaveFile::accepted_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QByteArray>("expected"); // the samples the parser must find

    const QByteArray s = samples(101);
    const QByteArray odd = samples(7);
    QTest::newRow("8-bit mono") << kMono << 1 << 8 << samples(100);
    QTest::newRow("16-bit stereo")
        << riff(fmt(1, 2, 44100, 16) + chunk("data", s)) << 2 << 16 << s.first(100);
    QTest::newRow("24-bit mono") << riff(fmt(1, 1, 48000, 24) + chunk("data", s)) << 1 << 24
                                 << s.first(99);
    QTest::newRow("32-bit, 8 channels")
        << riff(fmt(1, 8, 8000, 32) + chunk("data", s.first(64))) << 8 << 32 << s.first(64);
    QTest::newRow("partial frame at the end left out")
        << riff(fmt(1, 2, 22050, 16) + chunk("data", s.first(7))) << 2 << 16 << s.first(4);
    QTest::newRow("odd chunk before data is padded")
        << riff(kPcm8Mono + chunk("LIST", odd) + chunk("data", s)) << 1 << 8 << s;
    QTest::newRow("pad byte missing after the last chunk")
        << riff(kPcm8Mono + chunk("data", s).chopped(1)) << 1 << 8 << s;
    QTest::newRow("data before fmt") << riff(chunk("data", s) + kPcm8Mono) << 1 << 8 << s;
    QTest::newRow("fmt with an extension size")
        << riff(chunk("fmt ", fmtBody(1, 1, 22050, 8) + u16(0)) + chunk("data", s)) << 1 << 8 << s;
    QTest::newRow("bytes after the RIFF form ignored")
        << riff(kPcm8Mono + chunk("data", s)) + "JUNKJUNK" << 1 << 8 << s;
    QTest::newRow("empty data") << riff(kPcm8Mono + chunk("data", {})) << 1 << 8 << QByteArray();
}

void TestWaveFile::accepted()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(QByteArray, expected);
    const wavefile::Result result = wavefile::parse(bytes);
    QVERIFY2(result.ok(), qPrintable(result.error().message));
    QCOMPARE(result.wave().format.channels, channels);
    QCOMPARE(result.wave().format.bitsPerSample, bits);
    QCOMPARE(result.wave().samples.toByteArray(), expected);
}

void TestWaveFile::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("offset"); // where the fault must be reported

    const QByteArray data = chunk("data", samples(100));
    QTest::newRow("empty") << QByteArray() << qint64(0);
    QTest::newRow("shorter than the RIFF header") << kMono.first(11) << qint64(0);
    QTest::newRow("not RIFF") << "RIFX" + kMono.sliced(4) << qint64(0);
    QTest::newRow("RIFF but not WAVE") << kMono.first(8) + "AVI " + kMono.sliced(12) << qint64(0);
    QTest::newRow("RIFF size past the end") << riff(kPcm8Mono + data, 1) << qint64(4);
    QTest::newRow("RIFF size 0xFFFFFFFF")
        << "RIFF" + u32(0xFFFFFFFF) + kMono.sliced(8) << qint64(4);
    QTest::newRow("chunk header cut by the RIFF size")
        << riff(kPcm8Mono + data + "LIST") << qint64(12 + 24 + 108);
    QTest::newRow("data size past the RIFF form")
        << riff(kPcm8Mono + "data" + u32(101) + samples(100)) << qint64(36);
    QTest::newRow("data size 0xFFFFFFFF")
        << riff(kPcm8Mono + "data" + u32(0xFFFFFFFF) + samples(100)) << qint64(36);
    QTest::newRow("fmt of 14 bytes")
        << riff(chunk("fmt ", fmtBody(1, 1, 22050, 8).first(14)) + data) << qint64(20);
    QTest::newRow("IEEE float") << riff(fmt(3, 1, 22050, 32) + data) << qint64(20);
    QTest::newRow("ADPCM") << riff(fmt(2, 1, 22050, 4, 256) + data) << qint64(20);
    QTest::newRow("extensible") << riff(fmt(0xFFFE, 1, 22050, 16) + data) << qint64(20);
    QTest::newRow("0 channels") << riff(fmt(1, 0, 22050, 8, 1) + data) << qint64(22);
    QTest::newRow("9 channels") << riff(fmt(1, 9, 22050, 8) + data) << qint64(22);
    QTest::newRow("0 Hz") << riff(fmt(1, 1, 0, 8) + data) << qint64(24);
    QTest::newRow("999 Hz, below the cap") << riff(fmt(1, 1, 999, 8) + data) << qint64(24);
    QTest::newRow("one past the rate cap") << riff(fmt(1, 1, 384001, 8) + data) << qint64(24);
    QTest::newRow("0 bits") << riff(fmt(1, 1, 22050, 0, 1) + data) << qint64(34);
    QTest::newRow("12 bits") << riff(fmt(1, 1, 22050, 12, 2) + data) << qint64(34);
    QTest::newRow("block align disagrees") << riff(fmt(1, 2, 22050, 16, 2) + data) << qint64(32);
    QTest::newRow("block align 0") << riff(fmt(1, 1, 22050, 8, 0) + data) << qint64(32);
    QTest::newRow("no fmt") << riff(data) << qint64(12);
    QTest::newRow("no data") << riff(kPcm8Mono) << qint64(12);
    QTest::newRow("second fmt") << riff(kPcm8Mono + kPcm8Mono + data) << qint64(36);
}

void TestWaveFile::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, offset);
    const wavefile::Result result = wavefile::parse(bytes);
    QVERIFY2(!result.ok(), "a faulty WAVE was taken for a sound");
    QVERIFY(result.error().message.startsWith("WAVE at 0x"));
    QCOMPARE(result.error().offset, offset);
}

// A sound cut short at any length, as a damaged resource would be, is never played.
void TestWaveFile::everyTruncationIsRefused()
{
    const QByteArray whole = resourceFile("door101.wav");
    QVERIFY(wavefile::parse(whole).ok());
    for (qsizetype n = 0; n < whole.size(); ++n)
        QVERIFY2(!wavefile::parse(whole.first(n)).ok(), qPrintable(QString("cut at %1").arg(n)));
}

QTEST_GUILESS_MAIN(TestWaveFile)
#include "tst_wavefile.moc"
