// The decoder process, driven through the real channel: pictures loaded and rendered by part,
// its faults (a crash, a runaway allocation, an endless loop) each costing one refused picture,
// the file that caused one refused for the rest of the run, the sandbox holding, and the
// program reading the decoder's messages as hostile input.
#include "decoder/channel.h"
#include "decoder/decoderclient.h"
#include "decoder/shownpicture.h"
#include "support/files.h"
#include "support/metafilebuilder.h"
#include "support/verifyok.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

using namespace mfbytes;
using channel::Slot;

class TestDecoder : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    DecoderClient m_decoder{QStringLiteral(POTERO_DECODER_PROBES_PROGRAM)};

    QString write(const QString &name, const QByteArray &bytes)
    {
        return testfiles::write(m_dir.filePath(name), bytes);
    }

    // A 1200 x 100 bitmap, red on its left half and blue on its right.
    QString halves()
    {
        const QString path = m_dir.filePath(QStringLiteral("halves.bmp"));
        QImage image(1200, 100, QImage::Format_RGB32);
        image.fill(Qt::red);
        QPainter(&image).fillRect(600, 0, 600, 100, Qt::blue);
        image.save(path, "BMP");
        return path;
    }

    // A green picture in one of the raster formats.
    static QByteArray green(const char *format)
    {
        // One pixel, hand-made: the toolkit writes no GIF.
        if (qstrcmp(format, "GIF") == 0)
            return QByteArray::fromHex("47494638396101000100800000"
                                       "00ff00000000"
                                       "2c00000000010001000002024401003b");
        QByteArray bytes;
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::green);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format, 100);
        return bytes;
    }

    // The next ordinary picture shows after whatever went before; each raster format shows.
    void verifyNextPictureShows()
    {
        for (const char *format : {"GIF", "JPEG", "BMP"}) {
            const QString path = write(QStringLiteral("ordinary.") + format, green(format));
            const auto next =
                m_decoder.load(Slot::Sign, path, QRect(0, 0, 52, 32), QRect(0, 0, 52, 32), 1.0);
            QVERIFY_OK(next);
            const QRgb pixel = next->pixels.pixel(0, 0);
            QVERIFY2(qGreen(pixel) > 250 && qRed(pixel) < 5, format);
        }
    }

private slots:
    void loadsAndRendersByPart()
    {
        const auto board = ShownPicture::load(m_decoder, Slot::Signboard, halves());
        QVERIFY_OK(board);
        QCOMPARE(board->naturalSize(), QSize(1200, 100));
        const QImage part = board->render(QRect(590, 10, 20, 50), 1.0).value();
        QCOMPARE(part.size(), QSize(20, 50));
        QCOMPARE(part.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(part.pixel(19, 49), qRgb(0, 0, 255));
        // A metafile is played for the part and the ratio asked.
        const QString wmf =
            write(QStringLiteral("drawing.wmf"),
                  wmfFile({w(0x02FC, 0, 0xFF, 0, 0), w(0x012D, 0), w(0x041B, 960, 1440, 0, 720)},
                          QRect(0, 0, 1440, 960), 1440));
        const auto sign =
            ShownPicture::load(m_decoder, Slot::Sign, wmf, {}, QRect(40, 0, 100, 100), 2.0);
        QVERIFY(sign);
        const QImage drawn = sign->render(QRect(40, 0, 100, 100), 2.0).value();
        QCOMPARE(drawn.size(), QSize(112, 128));
        QCOMPARE(drawn.devicePixelRatio(), 2.0);
        QCOMPARE(drawn.pixel(24, 64), qRgb(255, 0, 0));
        QCOMPARE(qAlpha(drawn.pixel(8, 64)), 0);
        // The signboard's picture survives the sign's loads, and a new decoder loads it again.
        QCOMPARE(board->render(QRect(0, 0, 10, 10), 1.0)->pixel(5, 5), qRgb(255, 0, 0));
        const int starts = m_decoder.starts();
        QVERIFY(!m_decoder.load(
            Slot::Sign, write(QStringLiteral("crash.bmp"), "potero-probe:crash"), {}, {}, 1.0));
        QCOMPARE(m_decoder.starts(), starts + 1);
        QCOMPARE(board->render(QRect(1100, 0, 10, 10), 1.0)->pixel(5, 5), qRgb(0, 0, 255));
        // What is not a picture is refused with the reason, and the decoder stays.
        const auto refused =
            m_decoder.load(Slot::Sign, write(QStringLiteral("text.bmp"), "text"), {}, {}, 1.0);
        QVERIFY(!refused);
        QVERIFY2(refused.error().message.contains(QStringLiteral("not a picture")),
                 reasonOf(refused));
        QCOMPARE(m_decoder.starts(), starts + 1);
        // The picture still shown in that slot comes back from its file for a new part.
        QCOMPARE(sign->render(QRect(40, 0, 50, 100), 2.0)->pixel(24, 64), qRgb(255, 0, 0));
    }

    // Each fault ends the decoder and costs that picture alone: a new decoder shows the next.
    void faults_data()
    {
        QTest::addColumn<QByteArray>("probe");
        QTest::addColumn<QString>("reason");
        QTest::newRow("crash") << QByteArray("crash") << "the decoder ended";
#ifdef Q_OS_LINUX
        // Wine accepts a job's memory limit but does not enforce it. The limit ends it; on a
        // machine too loaded to fill 256 MiB in 2 s, the deadline does.
        QTest::newRow("runaway allocation") << QByteArray("allocate") << "ended|longer than";
#endif
        QTest::newRow("endless loop") << QByteArray("loop") << "longer than 2000 ms";
    }

    void faults()
    {
        QFETCH(QByteArray, probe);
        QFETCH(QString, reason);
        const QString path = write(QString::fromLatin1(probe) + ".gif", "potero-probe:" + probe);
        const int starts = m_decoder.starts();
        const auto failed = m_decoder.load(Slot::Sign, path, {}, {}, 1.0);
        QVERIFY(!failed);
        QVERIFY2(failed.error().message.contains(QRegularExpression(reason)), reasonOf(failed));
        QCOMPARE(m_decoder.starts(), starts + 1);
        verifyNextPictureShows();
        // Refused at once from then on, with no decoder ended for it.
        QVERIFY(!m_decoder.load(Slot::Sign, path, {}, {}, 1.0));
        QCOMPARE(m_decoder.starts(), starts + 1);
    }

    // The largest photo the caps allow, as the signboard, fits the decoder's memory limit with
    // room to spare: the limit is the guarantee, never what refuses an ordinary picture.
    void largestPhotoWithinTheLimits()
    {
        // As a 24-bit BMP, decoded whole: 92 MiB of pixels from a 72 MB file.
        QImage photo(6000, 4000, QImage::Format_RGB888);
        photo.fill(Qt::darkCyan);
        const QString path = m_dir.filePath(QStringLiteral("photo.bmp"));
        QVERIFY(photo.save(path, "BMP"));
        const auto board = ShownPicture::load(m_decoder, Slot::Signboard, path);
        QVERIFY_OK(board);
        QCOMPARE(board->naturalSize(), QSize(6000, 4000));
        QCOMPARE(board->render(QRect(5990, 3990, 10, 10), 1.0)->size(), QSize(10, 10));
        // Chosen again, it replaces itself: the picture held gives its memory back first.
        const auto again = ShownPicture::load(m_decoder, Slot::Signboard, path);
        QVERIFY_OK(again);
    }

    // A file changed since it ended the decoder is another file: it is tried again.
    void changedFileTriedAgain()
    {
        const QString path = write(QStringLiteral("changes.bmp"), "potero-probe:crash");
        QVERIFY(!m_decoder.load(Slot::Sign, path, {}, {}, 1.0));
        write(QStringLiteral("changes.bmp"), green("BMP"));
        QVERIFY(m_decoder.load(Slot::Sign, path, {}, {}, 1.0));
    }

#ifdef Q_OS_LINUX
    // After lock-down the decoder reads the system's files but not the user's, writes nothing
    // and opens no connection.
    void sandboxHolds()
    {
        const auto attempt = [this](const QByteArray &what) {
            return m_decoder.load(Slot::Sign, write(QStringLiteral("probe.gif"), what), {}, {},
                                  1.0);
        };
        const auto allowed = attempt("potero-probe:read:/etc/fonts/fonts.conf");
        QVERIFY_OK(allowed);
        QTemporaryFile home(QDir::homePath() + QStringLiteral("/potero-sandbox-XXXXXX"));
        QVERIFY(home.open() && home.write("secret") == 6 && home.flush());
        QVERIFY(!attempt("potero-probe:read:" + home.fileName().toUtf8()));
        const QString created = QDir::tempPath() + QStringLiteral("/potero-sandbox-created");
        QFile::remove(created);
        QVERIFY(!attempt("potero-probe:create:" + created.toUtf8()));
        QVERIFY(!QFile::exists(created));
        QVERIFY(!attempt("potero-probe:socket"));
    }
#endif

    // The program checks every size the decoder sends before it uses it.
    void messagesAreHostile_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("outcome"); // 0 broken, 1 incomplete, 2 parsed
        channel::Reply reply{true, QStringLiteral("ok"), QSize(10, 10), QSize(8, 8), 1.0};
        QTest::newRow("ready") << channel::encodeReady() << 2;
        QTest::newRow("reply") << channel::encode(reply) << 2;
        QTest::newRow("reply cut short") << channel::encode(reply).chopped(1) << 1;
        QTest::newRow("read") << channel::encodeRead({100, 50}) << 2;
        QTest::newRow("read past the file") << channel::encodeRead({1001, 1}) << 0;
        QTest::newRow("read too long")
            << channel::encodeRead({0, channel::kMaxReadLength + 1}) << 0;
        QTest::newRow("negative read") << channel::encodeRead({-1, 1}) << 0;
        reply.pixels = QSize(17, 16);
        QTest::newRow("pixels past the block") << channel::encode(reply) << 0;
        reply.pixels = QSize(-1, 8);
        QTest::newRow("negative pixels") << channel::encode(reply) << 0;
        reply.pixels = QSize(8, 8);
        reply.natural = QSize(channel::kMaxNaturalSide + 1, 1);
        QTest::newRow("natural size too large") << channel::encode(reply) << 0;
        QByteArray text = channel::encode(reply);
        text.replace(0, 4, "XXXX");
        QTest::newRow("not a message") << text << 0;
        QByteArray kind = channel::encodeReady();
        kind[4] = 9;
        QTest::newRow("unknown kind") << kind << 0;
    }

    void messagesAreHostile()
    {
        QFETCH(QByteArray, message);
        QFETCH(int, outcome);
        // A block for 16 x 16 pixels; a file of 1000 bytes.
        const auto parsed = channel::parseMessage(message, 16 * 16 * 4, 1000);
        QCOMPARE(parsed ? (*parsed ? 2 : 1) : 0, outcome);
        if (outcome == 2)
            QCOMPARE((*parsed)->consumed, message.size());
    }
};

QTEST_MAIN(TestDecoder)
#include "tst_decoder.moc"
