#include "platform/wavefile.h"
#include "support/verifyok.h"
#include "support/wave.h"

#include <QFile>
#include <QTest>

using namespace wave;

namespace {

QByteArray samples(int n)
{
    QByteArray s(n, '\0');
    for (int i = 0; i < n; ++i)
        s[i] = char(i * 37);
    return s;
}

const QByteArray kPcm8Mono = fmt(1, 1, 22050, 8);
const QByteArray kMono = riff(kPcm8Mono + chunk("data", samples(100)));

} // namespace

class TestWaveFile : public QObject
{
    Q_OBJECT
private slots:

    // The two sounds, 0.8 s and 2.0 s, parse and every cut of them, as a damaged resource would
    // be, is refused.
    void doorSounds()
    {
        for (const auto &[name, frames] :
             {std::pair("door101.wav", 17640), {"door102.wav", 44100}}) {
            QFile file(QStringLiteral(POTERO_RESOURCES "/") + QLatin1String(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
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
};

QTEST_GUILESS_MAIN(TestWaveFile)
#include "tst_wavefile.moc"
