#include "platform/pictureloader.h"

#include "platform/raster/memorycap.h"
#include "support/metafilebuilder.h"

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

namespace {

// The colours a test bitmap's palette indexes, and what each depth can hold of them exactly.
const QRgb kColours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};

int colourIndex(int x, int y, int colours)
{
    return (x + 2 * y) % colours;
}

using lebytes::dwords;
using lebytes::put16;

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
    quint32 bitBuffer = 0;
    int bitCount = 0;
    for (int x = 0; x < spec.width; ++x) {
        const int index = colourIndex(x, y, spec.bits <= 8 ? paletteSize(spec.bits) : 4);
        const QRgb c = kColours[index];
        if (spec.bits <= 8) {
            bitBuffer = (bitBuffer << spec.bits) | quint32(index);
            bitCount += spec.bits;
            if (bitCount == 8) {
                row.append(char(bitBuffer));
                bitBuffer = bitCount = 0;
            }
        } else if (spec.bits == 16) {
            const int greenBits = spec.compression == Compression::Bitfields ? 6 : 5;
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

// A BMP in the layout of BITMAPFILEHEADER + BITMAPINFOHEADER, as the format's document gives it.
// Run-length data holds one pixel a run, each line closed by an end-of-line escape.
QByteArray makeBmp(const BmpSpec &spec)
{
    const bool rle = spec.compression == Compression::Rle8 || spec.compression == Compression::Rle4;
    QByteArray pixels;
    for (int i = 0; i < spec.height; ++i) {
        const int y = spec.topDown ? i : spec.height - 1 - i;
        if (!rle) {
            pixels += pixelRow(spec, y);
            continue;
        }
        for (int x = 0; x < spec.width; ++x) {
            const int index = colourIndex(x, y, paletteSize(spec.bits));
            pixels.append('\1').append(char(spec.bits == 4 ? index << 4 : index));
        }
        pixels.append('\0').append('\0');
    }
    if (rle)
        pixels.append('\0').append('\1');

    QByteArray table;
    for (int i = 0; i < paletteSize(spec.bits); ++i)
        table += dwords({kColours[i] & 0xFFFFFF});
    if (spec.compression == Compression::Bitfields)
        table += dwords({0xF800, 0x07E0, 0x001F});
    const quint32 offset = 14 + 40 + quint32(table.size());
    const quint32 height = quint32(spec.topDown ? -spec.height : spec.height);
    QByteArray out =
        "BM" + dwords({offset + quint32(pixels.size()), 0, offset, 40, quint32(spec.width), height,
                       1 | quint32(spec.bits) << 16, quint32(spec.compression),
                       quint32(pixels.size()), 2835, 2835, quint32(paletteSize(spec.bits)), 0});
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

QByteArray fixture(const char *name)
{
    QFile file(QStringLiteral(POTERO_TEST_DATA "/pictures/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return file.readAll();
}

Result<Picture> decodeBytes(const QByteArray &bytes, const QRect &shown = {})
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodePicture(buffer, shown);
}

// Sets a JPEG's frame size in its first start-of-frame marker.
QByteArray withJpegSize(QByteArray jpeg, quint16 width, quint16 height)
{
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
        if (jpeg[i] == '\xFF' && (marker == 0xC0 || marker == 0xC2)) {
            const char size[] = {char(height >> 8), char(height), char(width >> 8), char(width)};
            return jpeg.replace(i + 5, 4, QByteArray(size, 4));
        }
    }
    qFatal("no frame header");
}

// A placeable WMF of one inch by two thirds of one, holding only its end record.
QByteArray makePlaceableWmf()
{
    QByteArray out = dwords({0x9AC6CDD7, 0, 1440 << 16, 960 | 1440u << 16, 0});
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= quint16(quint8(out[i]) | quint8(out[i + 1]) << 8);
    put16(out, checksum);
    // In memory, 9 header words, version 3, 12 file words, no objects, largest record 3; EOF.
    return out + dwords({9 << 16 | 1, 12 << 16 | 0x0300, 0, 3, 3 << 16, 0});
}

bool coloursClose(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

void verifyPixel(const QImage &image, QPoint at, QRgb expected, int tolerance)
{
    const QRgb actual = image.pixel(at);
    QVERIFY2(coloursClose(actual, expected, tolerance) && qAlpha(actual) == 255,
             qPrintable(QStringLiteral("pixel %1,%2 is %3, not %4")
                            .arg(at.x())
                            .arg(at.y())
                            .arg(actual, 8, 16)
                            .arg(expected, 8, 16)));
}

using Pixels = QList<std::pair<QPoint, QRgb>>;

} // namespace

Q_DECLARE_METATYPE(Pixels)

// A JPEG whose last scan is repeated until it has the given number of scans.
QByteArray withScans(const QByteArray &jpeg, int scans)
{
    const qsizetype lastScan = jpeg.lastIndexOf("\xFF\xDA");
    const QByteArray scan = jpeg.mid(lastScan, jpeg.size() - 2 - lastScan);
    const int has = int(jpeg.count("\xFF\xDA"));
    return jpeg.left(jpeg.size() - 2) + scan.repeated(scans - has) + "\xFF\xD9";
}

// An EMF whose one StretchDIBits record carries payload as a bitmap of the given compression.
QByteArray emfWithEmbedded(const QByteArray &payload, quint32 compression)
{
    using namespace mfbytes;
    const QByteArray info =
        dwords({40, 52, 32}) + words({1, 0}) + dwords({compression, payload.size(), 0, 0, 0, 0});
    // Bounds, destination and source, then the offsets of the info and the bits from the
    // record's start (80 bytes of fixed fields), usage, SRCCOPY and the destination's size.
    const QByteArray fields = dwords(
        {0, 0, 51, 31, 0, 0, 0, 0, 52, 32, 80, 40, 120, payload.size(), 0, 0x00CC0020, 52, 32});
    return EmfBuilder(QRect(0, 0, 1375, 846)).record(81, fields + info + payload).finish();
}

class TestPictureLoader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void bitmapDepths_data();
    void bitmapDepths();
    void jpegAndGif_data();
    void jpegAndGif();
    void formatFromContent_data();
    void formatFromContent();
    void emptyPathIsNoPicture();
    void notRegularFilesFailAtOnce_data();
    void notRegularFilesFailAtOnce();
    void pathUsedUnchanged();

    void refusedFromTheHeader_data();
    void refusedFromTheHeader();
    void memoryCapAtItsLimit();
    void oneCapForAllPictures();
    void fileSizeCap();
    void cutShort_data();
    void cutShort();
    void embeddedPicturesClosed();

    void shownPartOnly();
    void metafileSharpOnDenseScreens();

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
    QTest::addColumn<Compression>("compression");
    QTest::addColumn<bool>("topDown");
    QTest::addColumn<int>("tolerance");
    const auto none = Compression::None;
    QTest::newRow("1 bit") << 1 << none << false << 0;
    QTest::newRow("4 bits") << 4 << none << false << 0;
    QTest::newRow("8 bits") << 8 << none << false << 0;
    // Five bits a channel come out as v * 8, so full intensity reads 248.
    QTest::newRow("16 bits 5-5-5") << 16 << none << false << 7;
    QTest::newRow("16 bits 5-6-5 bit fields") << 16 << Compression::Bitfields << false << 7;
    QTest::newRow("24 bits") << 24 << none << false << 0;
    QTest::newRow("32 bits") << 32 << none << false << 0;
    QTest::newRow("RLE8") << 8 << Compression::Rle8 << false << 0;
    QTest::newRow("RLE4") << 4 << Compression::Rle4 << false << 0;
    QTest::newRow("8 bits top-down") << 8 << none << true << 0;
    QTest::newRow("32 bits top-down") << 32 << none << true << 0;
}

void TestPictureLoader::bitmapDepths()
{
    QFETCH(int, bits);
    QFETCH(Compression, compression);
    QFETCH(bool, topDown);
    QFETCH(int, tolerance);
    const BmpSpec spec{bits, compression, topDown};
    const auto picture = Load(write(QStringLiteral("sign.bmp"), makeBmp(spec)));
    QVERIFY2(picture, qPrintable(picture ? QString() : picture.error().message));
    QCOMPARE(picture->naturalSize(), QSize(spec.width, spec.height));
    const QImage image = picture->bitmap();
    const int colours = bits <= 8 ? paletteSize(bits) : 4;
    for (int y = 0; y < spec.height; ++y) {
        for (int x = 0; x < spec.width; ++x)
            verifyPixel(image, {x, y}, kColours[colourIndex(x, y, colours)], tolerance);
    }
}

void TestPictureLoader::jpegAndGif_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Pixels>("pixels");
    QTest::addColumn<int>("tolerance");
    const QImage source = gradient(QSize(52, 32));
    const Pixels middle = {{{26, 16}, source.pixel(26, 16)}};
    QTest::newRow("JPEG baseline") << encode(source, "jpeg") << QSize(52, 32) << middle << 12;
    QTest::newRow("JPEG progressive")
        << encode(source, "jpeg", true) << QSize(52, 32) << middle << 12;
    QImage grey(40, 20, QImage::Format_Grayscale8);
    grey.fill(90);
    QTest::newRow("JPEG greyscale")
        << encode(grey, "jpeg") << QSize(40, 20) << Pixels{{{20, 10}, qRgb(90, 90, 90)}} << 12;
    QTest::newRow("JPEG CMYK") << fixture("cmyk.jpg") << QSize(16, 8)
                               << Pixels{{{8, 4}, qRgb(255, 0, 0)}} << 12;
    // An animation shows its first image, still.
    QTest::newRow("GIF animated") << fixture("animated.gif") << QSize(8, 8)
                                  << Pixels{{{4, 4}, qRgb(255, 0, 0)}} << 0;
    QTest::newRow("GIF still") << fixture("still.gif") << QSize(6, 4)
                               << Pixels{{{0, 0}, qRgb(255, 0, 0)},
                                         {{1, 0}, qRgb(0, 255, 0)},
                                         {{5, 3}, qRgb(0, 0, 255)},
                                         {{3, 2}, qRgb(255, 255, 255)}}
                               << 0;
}

void TestPictureLoader::jpegAndGif()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(Pixels, pixels);
    QFETCH(int, tolerance);
    const auto picture = Load(write(QStringLiteral("sign.jpg"), bytes));
    QVERIFY2(picture, qPrintable(picture ? QString() : picture.error().message));
    QCOMPARE(picture->naturalSize(), size);
    for (const auto &[at, colour] : pixels)
        verifyPixel(picture->bitmap(), at, colour, tolerance);
}

void TestPictureLoader::formatFromContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loads");
    const QImage image = gradient(QSize(8, 6));
    QTest::newRow("BMP named .gif") << "x.gif" << makeBmp({}) << true;
    QTest::newRow("JPEG named .gif") << "x.gif" << encode(image, "jpeg") << true;
    QTest::newRow("GIF named .jpeg") << "x.jpeg" << fixture("still.gif") << true;
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
    QCOMPARE(Load(write(name, bytes)).ok(), loads);
}

void TestPictureLoader::emptyPathIsNoPicture()
{
    const auto picture = Load(QString());
    QVERIFY(picture && picture->isNull());
    QVERIFY(picture->naturalSize().isEmpty());
    QVERIFY(picture->render(QRect(0, 0, 52, 32), 2.0).isNull());
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
    } else if (kind.contains(u"fifo")) {
        const QString fifo = m_dir->filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        if (kind == u"fifo")
            path = fifo;
        else
            QVERIFY(QFile::link(fifo, path));
    } else if (kind.startsWith(u'/')) {
        path = kind;
    }
    const auto picture = Load(path);
    QVERIFY(!picture);
    QVERIFY2(picture.error().message.endsWith(reason), qPrintable(picture.error().message));
}

void TestPictureLoader::pathUsedUnchanged()
{
    const QString folder = m_dir->path();
    QVERIFY(Load(write(QStringLiteral("a.bmp"), makeBmp({}))));
    QVERIFY(!Load(folder + QStringLiteral("a.bmp")));

    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    QVERIFY(!Load(QStringLiteral("a.bmp")));
    QVERIFY(QDir::setCurrent(folder));
    const bool relativeLoads = Load(QStringLiteral("a.bmp")).ok();
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(relativeLoads);
}

void TestPictureLoader::refusedFromTheHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const QByteArray progressive = encode(gradient(QSize(64, 48)), "jpeg", true);
    QTest::newRow("JPEG of 33 scans") << withScans(progressive, 33) << "more than 32 scans";
    QTest::newRow("JPEG of 32 scans over 6000 x 4000")
        << withJpegSize(withScans(progressive, 32), 6000, 4000) << "more work";
    // The coefficients of every block come before any pixel: 20000² claims gigabytes.
    QTest::newRow("progressive JPEG header of 20000 x 20000")
        << withJpegSize(progressive, 20000, 20000) << "more work";
    QTest::newRow("JPEG scan before its frame")
        << QByteArray("\xFF\xD8\xFF\xDA\x00\x02\xFF\xD9", 8) << "scan before the frame";
    // A few bytes claiming a logical screen of 30000² would decode to 3.6 GB.
    QByteArray gif = fixture("still.gif");
    gif.replace(6, 4, QByteArray("\x30\x75\x30\x75", 4));
    QTest::newRow("GIF screen of 30000 x 30000") << gif << "more work";
    QByteArray rle = makeBmp({8, Compression::Rle8});
    rle.replace(18, 8, dwords({30000, 30000}));
    QTest::newRow("RLE8 BMP of 30000 x 30000") << rle << "more work";
    QTest::newRow("BMP width 0") << makeBmp({}).replace(18, 4, dwords({0})) << "no picture size";
    QTest::newRow("BMP height 0") << makeBmp({}).replace(22, 4, dwords({0})) << "no picture size";
    QTest::newRow("BMP height INT_MIN")
        << makeBmp({}).replace(22, 4, dwords({quint32(INT_MIN)})) << "no picture size";
    QTest::newRow("BMP header size 0") << makeBmp({}).replace(14, 4, dwords({0})) << "header size";
    QTest::newRow("BMP pixels past the end")
        << makeBmp({}).replace(10, 4, dwords({0x7FFFFFF0})) << "more than the file holds";
}

void TestPictureLoader::refusedFromTheHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const auto picture = decodeBytes(bytes);
    QVERIFY(!picture);
    QVERIFY2(picture.error().message.contains(reason), qPrintable(picture.error().message));
    QCOMPARE(raster::heldBytes(), 0);
}

// A 24-bit BMP of 4096 x 6144 decodes to exactly the cap; one row more is refused. The files
// are sparse: their zero pixels take no disk.
void TestPictureLoader::memoryCapAtItsLimit()
{
    for (const int rows : {6144, 6145}) {
        QByteArray bmp = makeBmp({24, Compression::None, false, 4096, 1});
        bmp.replace(22, 4, dwords({quint32(rows)}));
        const QString path = write(QStringLiteral("large.bmp"), bmp);
        QVERIFY(QFile::resize(path, 54 + qint64(4096) * 3 * rows));
        const auto picture = Load(path);
        QCOMPARE(picture.ok(), rows == 6144);
        if (picture)
            QCOMPARE(raster::heldBytes(), raster::kMaxHeldBytes);
    }
    QCOMPARE(raster::heldBytes(), 0);
}

// Pictures held count against the one cap: a second one that would pass it is refused until
// the first is gone.
void TestPictureLoader::oneCapForAllPictures()
{
    QByteArray bmp = makeBmp({24, Compression::None, false, 4096, 3072});
    const QString path = write(QStringLiteral("half.bmp"), bmp);
    QVERIFY(QFile::resize(path, 54 + qint64(4096) * 3 * 3072));
    auto first = Load(path);
    QVERIFY(first);
    auto second = Load(path);
    QVERIFY(second);
    QVERIFY(!Load(write(QStringLiteral("more.bmp"), makeBmp({}))));
    second = Error{};
    QVERIFY(Load(write(QStringLiteral("more.bmp"), makeBmp({}))));
}

void TestPictureLoader::fileSizeCap()
{
    const QString path = write(QStringLiteral("padded.bmp"), makeBmp({}));
    QVERIFY(QFile::resize(path, picturelimits::kMaxFileBytes)); // sparse: no disk space taken
    QVERIFY(Load(path));
    QVERIFY(QFile::resize(path, picturelimits::kMaxFileBytes + 1));
    QVERIFY(!Load(path));
}

void TestPictureLoader::cutShort_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("whole");
    const QByteArray bmp = makeBmp({}), rle = makeBmp({8, Compression::Rle8});
    QTest::newRow("BMP 24 bits") << bmp << int(bmp.size());
    QTest::newRow("BMP RLE8") << rle << int(rle.size());
    // The first image's data ends 66 bytes in; the second image follows.
    QTest::newRow("GIF") << fixture("animated.gif") << 66;
}

// A file shorter than its header says is unreadable: it fails rather than showing rows that
// are not there. The first image of a GIF is what must be whole.
void TestPictureLoader::cutShort()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, whole);
    QVERIFY(decodeBytes(bytes.left(whole)));
    for (qsizetype length = 0; length < whole; ++length)
        QVERIFY2(!decodeBytes(bytes.left(length)), qPrintable(QString::number(length)));
}

// A picture inside a metafile is decoded only as the format its record names, and nothing in
// it opens another file: the SVG here names a FIFO, which would block for ever if opened, and
// itself, which recurses until the stack runs out.
void TestPictureLoader::embeddedPicturesClosed()
{
    const QString fifo = m_dir->filePath(QStringLiteral("marker"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString svgPath = m_dir->filePath(QStringLiteral("x.svg"));
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' "
                           "xmlns:xlink='http://www.w3.org/1999/xlink' width='52' height='32'>"
                           "<image xlink:href='" +
                           QFile::encodeName(fifo) + "'/><image xlink:href='" +
                           QFile::encodeName(svgPath) + "' width='52' height='32'/></svg>";
    write(QStringLiteral("x.svg"), svg);
    QImage red(52, 32, QImage::Format_RGB32);
    red.fill(Qt::red);
    const struct
    {
        QByteArray payload;
        quint32 compression;
        bool drawn;
    } cases[] = {
        {svg, 5, false},
        {encode(red, "bmp"), 5, false},
        {encode(red, "png"), 4, false},
        {encode(red, "png"), 5, true},
        {encode(red, "jpeg"), 4, true},
    };
    for (const auto &c : cases) {
        const auto picture = decodeBytes(emfWithEmbedded(c.payload, c.compression));
        QVERIFY2(picture, qPrintable(picture ? QString() : picture.error().message));
        const QImage image = picture->render(QRect(0, 0, 52, 32), 1.0);
        QCOMPARE(qRed(image.pixel(26, 16)) > 200 && qAlpha(image.pixel(26, 16)) == 255, c.drawn);
    }
}

// The sign decodes and keeps only the part it shows, yet its size is the whole picture's.
void TestPictureLoader::shownPartOnly()
{
    const QImage source = gradient(QSize(400, 300));
    for (const char *format : {"bmp", "jpeg"}) {
        const auto picture = decodeBytes(encode(source, format), QRect(0, 0, 52, 32));
        QVERIFY(picture);
        QCOMPARE(picture->naturalSize(), QSize(400, 300));
        QCOMPARE(picture->bitmap().size(), QSize(52, 32));
        verifyPixel(picture->render(QRect(0, 0, 52, 32), 2.0), {51, 31}, source.pixel(51, 31), 12);
    }
    // Decoding for the sign may take less work than for the signboard, whatever it keeps.
    QByteArray gif = fixture("still.gif");
    gif.replace(6, 4, QByteArray("\xD0\x07\xD0\x07", 4));
    QVERIFY(!decodeBytes(gif, QRect(0, 0, 52, 32)));
    QVERIFY(decodeBytes(gif));
    // A JPEG shown whole holds its file, not its pixels, and decodes the part asked for.
    const QByteArray jpeg = encode(source, "jpeg");
    const auto lazy = decodeBytes(jpeg);
    QCOMPARE(raster::heldBytes(), jpeg.size());
    verifyPixel(lazy->render(QRect(300, 200, 200, 200), 1.0), {10, 10}, source.pixel(310, 210), 12);
    const auto whole = decodeBytes(encode(source, "bmp"));
    const QImage part = whole->render(QRect(300, 200, 200, 200), 1.0);
    QCOMPARE(part.size(), QSize(100, 100));
    QCOMPARE(part.pixel(0, 0), source.pixel(300, 200));
}

void TestPictureLoader::metafileSharpOnDenseScreens()
{
    const auto picture = Load(write(QStringLiteral("drawing.bmp"), makePlaceableWmf()));
    QVERIFY(picture && picture->isMetafile());
    QCOMPARE(picture->naturalSize(), QSize(96, 64));
    QCOMPARE(picture->naturalSizeTwips(), QSizeF(1440, 960));
    const QImage image = picture->render(QRect(40, 0, 100, 100), 2.0);
    QCOMPARE(image.deviceIndependentSize(), QSizeF(56, 64));
    QCOMPARE(image.size(), QSize(112, 128));
}

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"
