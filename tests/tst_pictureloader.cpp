#include "platform/pictureloader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <climits>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The colours a test bitmap's palette indexes, and what each depth can hold of them exactly.
const QRgb kColours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};

int colourIndex(int x, int y, int colours)
{
    return (x + 2 * y) % colours;
}

void put16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xFF)).append(char(v >> 8));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

enum class Compression
{
    None = 0,
    Rle8 = 1,
    Rle4 = 2,
    Bitfields = 3
};

struct BmpSpec
{
    int bits = 24;
    Compression compression = Compression::None;
    bool topDown = false;
    int width = 5;
    int height = 3;
};

int paletteSize(int bits)
{
    return bits <= 8 ? std::min(1 << bits, 4) : 0;
}

QByteArray pixelRow(const BmpSpec &spec, int y)
{
    QByteArray row;
    const int colours = spec.bits <= 8 ? paletteSize(spec.bits) : 4;
    quint32 bitBuffer = 0;
    int bitCount = 0;
    for (int x = 0; x < spec.width; ++x) {
        const int index = colourIndex(x, y, colours);
        const QRgb c = kColours[index];
        if (spec.bits <= 8) {
            bitBuffer = (bitBuffer << spec.bits) | quint32(index);
            bitCount += spec.bits;
            if (bitCount == 8) {
                row.append(char(bitBuffer));
                bitBuffer = bitCount = 0;
            }
        } else if (spec.bits == 16) {
            const bool rgb565 = spec.compression == Compression::Bitfields;
            const int greenBits = rgb565 ? 6 : 5;
            put16(row, quint16((qRed(c) >> 3) << (5 + greenBits) |
                               (qGreen(c) >> (8 - greenBits)) << 5 | qBlue(c) >> 3));
        } else {
            row.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
            if (spec.bits == 32)
                row.append('\0');
        }
    }
    if (bitCount > 0)
        row.append(char(bitBuffer << (8 - bitCount)));
    while (row.size() % 4)
        row.append('\0');
    return row;
}

// Run-length data, one pixel a run, each line closed by an end-of-line escape.
QByteArray rleRow(const BmpSpec &spec, int y)
{
    QByteArray row;
    for (int x = 0; x < spec.width; ++x) {
        const int index = colourIndex(x, y, paletteSize(spec.bits));
        row.append('\1').append(char(spec.bits == 4 ? index << 4 : index));
    }
    return row.append('\0').append('\0');
}

// A BMP in the layout of BITMAPFILEHEADER + BITMAPINFOHEADER, as the format's document gives it.
QByteArray makeBmp(const BmpSpec &spec)
{
    QByteArray pixels;
    for (int i = 0; i < spec.height; ++i) {
        const int y = spec.topDown ? i : spec.height - 1 - i;
        const bool rle =
            spec.compression == Compression::Rle8 || spec.compression == Compression::Rle4;
        pixels += rle ? rleRow(spec, y) : pixelRow(spec, y);
    }
    if (spec.compression == Compression::Rle8 || spec.compression == Compression::Rle4)
        pixels.append('\0').append('\1');

    QByteArray table;
    for (int i = 0; i < paletteSize(spec.bits); ++i)
        put32(table, kColours[i] & 0xFFFFFF);
    if (spec.compression == Compression::Bitfields) {
        put32(table, 0xF800);
        put32(table, 0x07E0);
        put32(table, 0x001F);
    }
    const quint32 offset = 14 + 40 + quint32(table.size());
    QByteArray out("BM");
    put32(out, offset + quint32(pixels.size()));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, quint32(spec.width));
    put32(out, quint32(spec.topDown ? -spec.height : spec.height));
    put16(out, 1);
    put16(out, quint16(spec.bits));
    put32(out, quint32(spec.compression));
    put32(out, quint32(pixels.size()));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, quint32(paletteSize(spec.bits)));
    put32(out, 0);
    return out + table + pixels;
}

QByteArray encode(const QImage &image, const char *format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(95);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        qFatal("cannot encode %s: %s", format, qPrintable(writer.errorString()));
    return bytes;
}

QImage gradient(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), 128));
    }
    return image;
}

QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(POTERO_TEST_DATA "/pictures/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

Picture decodeBytes(const QByteArray &bytes,
                    qint64 maxDecodedBytes = picturelimits::kMaxDecodedBytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodePicture(buffer, maxDecodedBytes);
}

// Sets a JPEG's frame size in its first start-of-frame marker.
QByteArray withJpegSize(QByteArray jpeg, quint16 width, quint16 height)
{
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
        if (jpeg[i] == '\xFF' && (marker == 0xC0 || marker == 0xC2)) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    qFatal("no frame header");
}

// A placeable WMF of one inch by two thirds of one, holding only its end record.
QByteArray makePlaceableWmf()
{
    QByteArray out;
    put32(out, 0x9AC6CDD7);
    put16(out, 0);
    for (quint16 v : {0, 0, 1440, 960})
        put16(out, v);
    put16(out, 1440); // units an inch
    put32(out, 0);
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= quint16(quint8(out[i]) | quint8(out[i + 1]) << 8);
    put16(out, checksum);
    put16(out, 1);      // in memory
    put16(out, 9);      // header words
    put16(out, 0x0300); // version
    put32(out, 9 + 3);  // file words
    put16(out, 0);      // objects
    put32(out, 3);      // largest record
    put16(out, 0);
    put32(out, 3); // META_EOF
    put16(out, 0);
    return out;
}

bool coloursClose(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

class TestPictureLoader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void bitmapDepths_data();
    void bitmapDepths();
    void jpegKinds_data();
    void jpegKinds();
    void gifShowsItsFirstImageStill();

    void metafileSharpOnDenseScreens();
    void formatFromContent_data();
    void formatFromContent();
    void emptyPathIsNoPicture();
    void notRegularFilesFailAtOnce_data();
    void notRegularFilesFailAtOnce();
    void pathUsedUnchanged();

    void decodedSizeCap_data();
    void decodedSizeCap();
    void headerSizesPastTheCap_data();
    void headerSizesPastTheCap();
    void fileSizeCap();
    void truncatedAtEveryLength_data();
    void truncatedAtEveryLength();
    void cutBitmapShowsBlackForMissingRows();
    void malformedBitmapHeaders_data();
    void malformedBitmapHeaders();

    void naturalSizeInTwips_data();
    void naturalSizeInTwips();
    void drawsAtNaturalSize();

private:
    QString write(const QString &name, const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPictureLoader::initTestCase()
{
    // Broken files are this test's daily bread; the readers' complaints about them are noise.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
}

void TestPictureLoader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestPictureLoader::write(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestPictureLoader::bitmapDepths_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("compression");
    QTest::addColumn<bool>("topDown");
    QTest::addColumn<int>("tolerance");
    const int none = int(Compression::None);
    QTest::newRow("1 bit") << 1 << none << false << 0;
    QTest::newRow("4 bits") << 4 << none << false << 0;
    QTest::newRow("8 bits") << 8 << none << false << 0;
    // Five bits a channel come out as v * 8, so full intensity reads 248.
    QTest::newRow("16 bits 5-5-5") << 16 << none << false << 7;
    QTest::newRow("16 bits 5-6-5 bit fields") << 16 << int(Compression::Bitfields) << false << 7;
    QTest::newRow("24 bits") << 24 << none << false << 0;
    QTest::newRow("32 bits") << 32 << none << false << 0;
    QTest::newRow("RLE8") << 8 << int(Compression::Rle8) << false << 0;
    QTest::newRow("RLE4") << 4 << int(Compression::Rle4) << false << 0;
    QTest::newRow("8 bits top-down") << 8 << none << true << 0;
    QTest::newRow("24 bits top-down") << 24 << none << true << 0;
    QTest::newRow("32 bits top-down") << 32 << none << true << 0;
}

void TestPictureLoader::bitmapDepths()
{
    QFETCH(int, bits);
    QFETCH(int, compression);
    QFETCH(bool, topDown);
    QFETCH(int, tolerance);
    BmpSpec spec{bits, Compression(compression), topDown};
    const Picture picture = Load(write(QStringLiteral("sign.bmp"), makeBmp(spec)));

    QCOMPARE(picture.naturalSize(), QSize(spec.width, spec.height));
    const QImage image = picture.bitmap();
    const int colours = bits <= 8 ? paletteSize(bits) : 4;
    for (int y = 0; y < spec.height; ++y) {
        for (int x = 0; x < spec.width; ++x) {
            const QRgb expected = kColours[colourIndex(x, y, colours)];
            QVERIFY2(coloursClose(image.pixel(x, y), expected, tolerance) &&
                         qAlpha(image.pixel(x, y)) == 255,
                     qPrintable(QStringLiteral("pixel %1,%2 is %3, not %4")
                                    .arg(x)
                                    .arg(y)
                                    .arg(image.pixel(x, y), 8, 16)
                                    .arg(expected, 8, 16)));
        }
    }
}

void TestPictureLoader::jpegKinds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRgb>("centre");
    const QImage source = gradient(QSize(52, 32));
    const QRgb middle = source.pixel(26, 16);
    QTest::newRow("baseline") << encode(source, "jpeg") << QSize(52, 32) << middle;
    QTest::newRow("progressive") << encode(source, "jpeg", true) << QSize(52, 32) << middle;
    QImage grey(40, 20, QImage::Format_Grayscale8);
    grey.fill(90);
    QTest::newRow("greyscale") << encode(grey, "jpeg") << QSize(40, 20) << qRgb(90, 90, 90);
    QTest::newRow("CMYK") << fixture(QStringLiteral("cmyk.jpg")) << QSize(16, 8) << qRgb(255, 0, 0);
}

void TestPictureLoader::jpegKinds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(QRgb, centre);
    const Picture picture = Load(write(QStringLiteral("sign.jpg"), bytes));
    QCOMPARE(picture.naturalSize(), size);
    const QRgb actual = picture.bitmap().pixel(size.width() / 2, size.height() / 2);
    QVERIFY2(
        coloursClose(actual, centre, 12),
        qPrintable(
            QStringLiteral("centre is %1, not near %2").arg(actual, 8, 16).arg(centre, 8, 16)));
}

void TestPictureLoader::gifShowsItsFirstImageStill()
{
    const Picture animated =
        Load(write(QStringLiteral("a.gif"), fixture(QStringLiteral("animated.gif"))));
    QCOMPARE(animated.naturalSize(), QSize(8, 8));
    QCOMPARE(animated.bitmap().pixel(4, 4), qRgb(255, 0, 0));

    const Picture still =
        Load(write(QStringLiteral("s.gif"), fixture(QStringLiteral("still.gif"))));
    QCOMPARE(still.naturalSize(), QSize(6, 4));
    const QImage image = still.bitmap();
    QCOMPARE(image.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(1, 0), qRgb(0, 255, 0));
    QCOMPARE(image.pixel(2, 0), qRgb(0, 0, 255));
    QCOMPARE(image.pixel(5, 3), qRgb(0, 0, 255));
    QCOMPARE(image.pixel(3, 2), qRgb(255, 255, 255));
}

void TestPictureLoader::metafileSharpOnDenseScreens()
{
    const Picture picture = Load(write(QStringLiteral("drawing.bmp"), makePlaceableWmf()));
    QVERIFY(picture.isMetafile());
    QCOMPARE(picture.naturalSize(), QSize(96, 64));
    const QPixmap pixmap = picture.toPixmap(2.0);
    QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(96, 64));
    QCOMPARE(pixmap.size(), QSize(192, 128));
}

void TestPictureLoader::formatFromContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loads");
    const QImage image = gradient(QSize(8, 6));
    QTest::newRow("BMP named .gif") << "x.gif" << makeBmp({}) << true;
    QTest::newRow("JPEG named .gif") << "x.gif" << encode(image, "jpeg") << true;
    QTest::newRow("GIF named .jpeg") << "x.jpeg" << fixture(QStringLiteral("still.gif")) << true;
    QTest::newRow("BMP named without extension") << "picture" << makeBmp({}) << true;
    QTest::newRow("text named .bmp") << "x.bmp" << QByteArray("not a picture\n") << false;
    QTest::newRow("empty file named .bmp") << "x.bmp" << QByteArray() << false;
    QTest::newRow("PNG named .bmp") << "x.bmp" << encode(image, "png") << false;
    QTest::newRow("XPM named .bmp") << "x.bmp"
                                    << QByteArray("/* XPM */\nstatic char *x[] = {\n\"1 1 1 1\",\n"
                                                  "\". c #FF0000\",\n\".\"};\n")
                                    << false;
    QTest::newRow("JPEG marker alone named .jpg") << "x.jpg" << QByteArray("\xFF\xD8\xFF") << false;
}

void TestPictureLoader::formatFromContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loads);
    const QString path = write(name, bytes);
    if (loads) {
        QVERIFY(!Load(path).isNull());
    } else {
        QVERIFY_THROWS_EXCEPTION(PictureLoadError, Load(path));
    }
}

void TestPictureLoader::emptyPathIsNoPicture()
{
    const Picture picture = Load(QString());
    QVERIFY(picture.isNull());
    QVERIFY(picture.naturalSize().isEmpty());
    QVERIFY(picture.toPixmap(2.0).isNull());
}

void TestPictureLoader::notRegularFilesFailAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    const QString notRegular = QStringLiteral("not a regular file");
    QTest::newRow("missing file") << "missing" << qt_error_string(ENOENT);
    QTest::newRow("folder named .bmp") << "folder" << notRegular;
    QTest::newRow("FIFO named .bmp") << "fifo" << notRegular;
    QTest::newRow("link to a FIFO") << "link to fifo" << notRegular;
    QTest::newRow("endless device") << "/dev/zero" << notRegular;
    QTest::newRow("terminal device") << "/dev/tty" << notRegular;
}

// A FIFO without a writer would block an open or a read for ever, and /dev/zero never ends: a
// hang here is the fault this test exists for.
void TestPictureLoader::notRegularFilesFailAtOnce()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QString path = m_dir->filePath(QStringLiteral("x.bmp"));
    if (kind == u"folder") {
        QVERIFY(QDir().mkdir(path));
    } else if (kind == u"fifo" || kind == u"link to fifo") {
        const QString fifo = m_dir->filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        if (kind == u"fifo")
            path = fifo;
        else
            QVERIFY(QFile::link(fifo, path));
    } else if (kind.startsWith(u'/')) {
        path = kind;
    }
    try {
        Load(path);
        QFAIL("loaded");
    } catch (const PictureLoadError &error) {
        QVERIFY2(QString::fromUtf8(error.what()).endsWith(reason), error.what());
    }
}

void TestPictureLoader::pathUsedUnchanged()
{
    const QString sign = write(QStringLiteral("a.bmp"), makeBmp({}));
    const QString folder = m_dir->path();
    QVERIFY(!Load(sign).isNull());
    QVERIFY_THROWS_EXCEPTION(PictureLoadError, Load(folder + QStringLiteral("a.bmp")));

    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    QVERIFY_THROWS_EXCEPTION(PictureLoadError, Load(QStringLiteral("a.bmp")));
    QVERIFY(QDir::setCurrent(folder));
    const bool relativeLoads = !Load(QStringLiteral("a.bmp")).isNull();
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(relativeLoads);
}

void TestPictureLoader::decodedSizeCap_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loads");
    // 64 x 64 pixels at 4 bytes are exactly 16384 bytes.
    const QImage atCap = gradient(QSize(64, 64));
    const QImage pastCap = gradient(QSize(65, 64));
    QTest::newRow("BMP at the cap") << encode(atCap, "bmp") << true;
    QTest::newRow("BMP one column past") << encode(pastCap, "bmp") << false;
    QTest::newRow("JPEG at the cap") << encode(atCap, "jpeg") << true;
    QTest::newRow("JPEG one column past") << encode(pastCap, "jpeg") << false;
}

void TestPictureLoader::decodedSizeCap()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loads);
    if (loads)
        QCOMPARE(decodeBytes(bytes, 16384).naturalSize(), QSize(64, 64));
    else
        QVERIFY_THROWS_EXCEPTION(PictureLoadError, decodeBytes(bytes, 16384));
}

void TestPictureLoader::headerSizesPastTheCap_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // 8193 x 8192 pixels are one column past 256 MiB; the files hold no pixels for them.
    QByteArray bmp = makeBmp({});
    bmp.replace(18, 8, QByteArray("\x01\x20\x00\x00\x00\x20\x00\x00", 8));
    QTest::newRow("BMP") << bmp;
    QByteArray gif = fixture(QStringLiteral("still.gif"));
    gif.replace(6, 4, QByteArray("\xFF\xFF\xFF\xFF", 4));
    const qsizetype descriptor = gif.indexOf(',');
    gif.replace(descriptor + 5, 4, QByteArray("\xFF\xFF\xFF\xFF", 4));
    QTest::newRow("GIF") << gif;
    QTest::newRow("JPEG") << withJpegSize(encode(gradient(QSize(16, 16)), "jpeg"), 65000, 65000);
}

void TestPictureLoader::headerSizesPastTheCap()
{
    QFETCH(QByteArray, bytes);
    try {
        Load(write(QStringLiteral("huge.bmp"), bytes));
        QFAIL("a picture past the cap loaded");
    } catch (const PictureLoadError &error) {
        QVERIFY2(QByteArray(error.what()).contains("pixels would take more than"), error.what());
    }
}

void TestPictureLoader::fileSizeCap()
{
    const QString path = write(QStringLiteral("padded.bmp"), makeBmp({}));
    QVERIFY(QFile::resize(path, picturelimits::kMaxFileBytes)); // sparse: no disk space taken
    QCOMPARE(Load(path).naturalSize(), QSize(5, 3));
    QVERIFY(QFile::resize(path, picturelimits::kMaxFileBytes + 1));
    QVERIFY_THROWS_EXCEPTION(PictureLoadError, Load(path));
}

void TestPictureLoader::truncatedAtEveryLength_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("BMP 24 bits") << makeBmp({});
    QTest::newRow("BMP 4 bits") << makeBmp({4});
    QTest::newRow("BMP RLE8") << makeBmp({8, Compression::Rle8});
    QTest::newRow("BMP RLE4") << makeBmp({4, Compression::Rle4});
    QTest::newRow("GIF") << fixture(QStringLiteral("animated.gif"));
    QTest::newRow("JPEG baseline") << encode(gradient(QSize(17, 9)), "jpeg");
    QTest::newRow("JPEG progressive") << encode(gradient(QSize(17, 9)), "jpeg", true);
    QTest::newRow("JPEG CMYK") << fixture(QStringLiteral("cmyk.jpg"));
}

// A cut file either fails or shows what it has at the picture's full size; it never crashes.
void TestPictureLoader::truncatedAtEveryLength()
{
    QFETCH(QByteArray, bytes);
    const QSize full = decodeBytes(bytes).naturalSize();
    for (qsizetype length = 0; length < bytes.size(); ++length) {
        try {
            const Picture picture = decodeBytes(bytes.left(length));
            QVERIFY2(picture.naturalSize() == full,
                     qPrintable(QStringLiteral("cut at %1").arg(length)));
        } catch (const PictureLoadError &) {
        }
    }
}

// The rows a cut file lacks must not show whatever the memory held before.
void TestPictureLoader::cutBitmapShowsBlackForMissingRows()
{
    const BmpSpec spec{24, Compression::None, false, 52, 32};
    const QByteArray bmp = makeBmp(spec);
    const qsizetype rowBytes = 52 * 3;
    for (int round = 0; round < 4; ++round) {
        {
            QImage stale(52, 32, QImage::Format_RGB32);
            stale.fill(qRgb(0x5A, 0xA5, 0x5A));
        }
        // Bottom-up: the first 10 rows in the file are the picture's last 10.
        const Picture picture = decodeBytes(bmp.left(54 + 10 * rowBytes));
        QCOMPARE(picture.naturalSize(), QSize(52, 32));
        const QImage image = picture.bitmap();
        QCOMPARE(image.pixel(0, 31), kColours[colourIndex(0, 31, 4)] | 0xFF000000);
        for (int y = 0; y < 22; ++y) {
            for (int x = 0; x < 52; ++x)
                QCOMPARE(image.pixel(x, y), qRgb(0, 0, 0));
        }
    }
}

void TestPictureLoader::malformedBitmapHeaders_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("mayLoad");
    const auto le32 = [](quint32 v) {
        QByteArray out;
        put32(out, v);
        return out;
    };
    QTest::newRow("width 0") << 18 << le32(0) << false;
    QTest::newRow("negative width") << 18 << le32(quint32(-5)) << false;
    QTest::newRow("height INT_MIN") << 22 << le32(quint32(INT_MIN)) << false;
    QTest::newRow("7 bits a pixel") << 28 << QByteArray("\x07\x00", 2) << false;
    QTest::newRow("unknown compression") << 30 << le32(9) << false;
    // The reader then takes the pixels from where the palette ends.
    QTest::newRow("pixels past the end") << 10 << le32(0x7FFFFFF0) << true;
    QTest::newRow("header size 0") << 14 << le32(0) << false;
    QTest::newRow("header size huge") << 14 << le32(0xFFFFFFF0) << false;
    QTest::newRow("palette of 2^32 - 1 colours") << 46 << le32(0xFFFFFFFF) << false;
}

void TestPictureLoader::malformedBitmapHeaders()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, value);
    QFETCH(bool, mayLoad);
    QByteArray bmp = makeBmp({8});
    bmp.replace(offset, value.size(), value);
    if (mayLoad) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^QBuffer::seek")));
        try {
            QCOMPARE(decodeBytes(bmp).naturalSize(), QSize(5, 3));
        } catch (const PictureLoadError &) {
        }
    } else {
        QVERIFY_THROWS_EXCEPTION(PictureLoadError, decodeBytes(bmp));
    }
}

void TestPictureLoader::naturalSizeInTwips_data()
{
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<QSizeF>("twips");
    QTest::newRow("a sign that fills the box") << QSize(52, 32) << QSizeF(780, 480);
    QTest::newRow("a signboard") << QSize(200, 100) << QSizeF(3000, 1500);
}

void TestPictureLoader::naturalSizeInTwips()
{
    QFETCH(QSize, pixels);
    QFETCH(QSizeF, twips);
    const Picture picture = Load(write(QStringLiteral("p.bmp"), encode(gradient(pixels), "bmp")));
    QCOMPARE(picture.naturalSize(), pixels);
    QCOMPARE(picture.naturalSizeTwips(), twips);
}

void TestPictureLoader::drawsAtNaturalSize()
{
    const QImage source = gradient(QSize(52, 32));
    const Picture picture = Load(write(QStringLiteral("p.bmp"), encode(source, "bmp")));

    QImage canvas(60, 40, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        picture.draw(painter, QPointF(3, 2));
    }
    QCOMPARE(canvas.copy(3, 2, 52, 32), source);
    QCOMPARE(canvas.pixel(2, 2), qRgb(255, 255, 255));
    QCOMPARE(canvas.pixel(55, 34), qRgb(255, 255, 255));

    // A bitmap keeps its own pixels on a dense screen and is shown at its natural size.
    const QPixmap pixmap = picture.toPixmap(2.0);
    QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(52, 32));
    QCOMPARE(pixmap.toImage().convertToFormat(QImage::Format_RGB32), source);
}

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"
