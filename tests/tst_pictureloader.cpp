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

QByteArray le32(std::initializer_list<quint32> values)
{
    QByteArray out;
    for (quint32 v : values) {
        put16(out, quint16(v & 0xFFFF));
        put16(out, quint16(v >> 16));
    }
    return out;
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
        table += le32({kColours[i] & 0xFFFFFF});
    if (spec.compression == Compression::Bitfields)
        table += le32({0xF800, 0x07E0, 0x001F});
    const quint32 offset = 14 + 40 + quint32(table.size());
    const quint32 height = quint32(spec.topDown ? -spec.height : spec.height);
    QByteArray out =
        "BM" + le32({offset + quint32(pixels.size()), 0, offset, 40, quint32(spec.width), height,
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
            const char size[] = {char(height >> 8), char(height), char(width >> 8), char(width)};
            return jpeg.replace(i + 5, 4, QByteArray(size, 4));
        }
    }
    qFatal("no frame header");
}

// A placeable WMF of one inch by two thirds of one, holding only its end record.
QByteArray makePlaceableWmf()
{
    QByteArray out = le32({0x9AC6CDD7, 0, 1440 << 16, 960 | 1440u << 16, 0});
    quint16 checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= quint16(quint8(out[i]) | quint8(out[i + 1]) << 8);
    put16(out, checksum);
    // In memory, 9 header words, version 3, 12 file words, no objects, largest record 3; EOF.
    return out + le32({9 << 16 | 1, 12 << 16 | 0x0300, 0, 3, 3 << 16, 0});
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

    void decodedSizeCap_data();
    void decodedSizeCap();
    void fileSizeCap();
    void truncatedAtEveryLength_data();
    void truncatedAtEveryLength();
    void cutBitmapShowsBlackForMissingRows();
    void malformedBitmapHeaders_data();
    void malformedBitmapHeaders();

    void drawsAtNaturalSize();
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
    QTest::newRow("24 bits top-down") << 24 << none << true << 0;
    QTest::newRow("32 bits top-down") << 32 << none << true << 0;
}

void TestPictureLoader::bitmapDepths()
{
    QFETCH(int, bits);
    QFETCH(Compression, compression);
    QFETCH(bool, topDown);
    QFETCH(int, tolerance);
    const BmpSpec spec{bits, compression, topDown};
    const Picture picture = Load(write(QStringLiteral("sign.bmp"), makeBmp(spec)));
    QCOMPARE(picture.naturalSize(), QSize(spec.width, spec.height));
    const QImage image = picture.bitmap();
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
                                         {{2, 0}, qRgb(0, 0, 255)},
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
    const Picture picture = Load(write(QStringLiteral("sign.jpg"), bytes));
    QCOMPARE(picture.naturalSize(), size);
    for (const auto &[at, colour] : pixels)
        verifyPixel(picture.bitmap(), at, colour, tolerance);
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
    const QString path = write(name, bytes);
    if (loads)
        QVERIFY(!Load(path).isNull());
    else
        QVERIFY_THROWS_EXCEPTION(PictureLoadError, Load(path));
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
    try {
        Load(path);
        QFAIL("loaded");
    } catch (const PictureLoadError &error) {
        QVERIFY2(QString::fromUtf8(error.what()).endsWith(reason), error.what());
    }
}

void TestPictureLoader::pathUsedUnchanged()
{
    const QString folder = m_dir->path();
    QVERIFY(!Load(write(QStringLiteral("a.bmp"), makeBmp({}))).isNull());
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
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<bool>("loads");
    // 64 x 64 pixels at 4 bytes are exactly 16384 bytes.
    const QImage atCap = gradient(QSize(64, 64));
    const QImage pastCap = gradient(QSize(65, 64));
    QTest::newRow("BMP at the cap") << encode(atCap, "bmp") << qint64(16384) << true;
    QTest::newRow("BMP one column past") << encode(pastCap, "bmp") << qint64(16384) << false;
    QTest::newRow("JPEG at the cap") << encode(atCap, "jpeg") << qint64(16384) << true;
    QTest::newRow("JPEG one column past") << encode(pastCap, "jpeg") << qint64(16384) << false;
    // 8193 x 8192 pixels are one column past 256 MiB; the files hold no pixels for them.
    const qint64 cap = picturelimits::kMaxDecodedBytes;
    QTest::newRow("BMP header past 256 MiB")
        << makeBmp({}).replace(18, 8, le32({8193, 8192})) << cap << false;
    QByteArray gif = fixture("still.gif");
    gif.replace(6, 4, QByteArray("\xFF\xFF\xFF\xFF", 4));
    gif.replace(gif.indexOf(',') + 5, 4, QByteArray("\xFF\xFF\xFF\xFF", 4));
    QTest::newRow("GIF header past 256 MiB") << gif << cap << false;
    QTest::newRow("JPEG header past 256 MiB")
        << withJpegSize(encode(gradient(QSize(16, 16)), "jpeg"), 65000, 65000) << cap << false;
}

// Refused from the header, before any pixel is decoded.
void TestPictureLoader::decodedSizeCap()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, cap);
    QFETCH(bool, loads);
    try {
        const Picture picture = decodeBytes(bytes, cap);
        QVERIFY2(loads, "a picture past the cap loaded");
        QCOMPARE(picture.naturalSize(), QSize(64, 64));
    } catch (const PictureLoadError &error) {
        QVERIFY2(!loads && QByteArray(error.what()).contains("pixels would take more than"),
                 error.what());
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
    QTest::newRow("GIF") << fixture("animated.gif");
    QTest::newRow("JPEG baseline") << encode(gradient(QSize(17, 9)), "jpeg");
    QTest::newRow("JPEG progressive") << encode(gradient(QSize(17, 9)), "jpeg", true);
    QTest::newRow("JPEG CMYK") << fixture("cmyk.jpg");
}

// A cut file either fails or shows what it has at the picture's full size; it never crashes.
void TestPictureLoader::truncatedAtEveryLength()
{
    QFETCH(QByteArray, bytes);
    const QSize full = decodeBytes(bytes).naturalSize();
    for (qsizetype length = 0; length < bytes.size(); ++length) {
        try {
            QVERIFY2(decodeBytes(bytes.left(length)).naturalSize() == full,
                     qPrintable(QStringLiteral("cut at %1").arg(length)));
        } catch (const PictureLoadError &) {
        }
    }
}

// The rows a cut file lacks must not show whatever the memory held before.
void TestPictureLoader::cutBitmapShowsBlackForMissingRows()
{
    const QByteArray bmp = makeBmp({24, Compression::None, false, 52, 32});
    for (int round = 0; round < 4; ++round) {
        QImage(52, 32, QImage::Format_RGB32).fill(qRgb(0x5A, 0xA5, 0x5A));
        // Bottom-up: the first 10 rows in the file are the picture's last 10.
        const Picture picture = decodeBytes(bmp.left(54 + 10 * 52 * 3));
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
    QTest::newRow("width 0") << 18 << le32({0}) << false;
    QTest::newRow("negative width") << 18 << le32({quint32(-5)}) << false;
    QTest::newRow("height INT_MIN") << 22 << le32({quint32(INT_MIN)}) << false;
    QTest::newRow("7 bits a pixel") << 28 << QByteArray("\x07\x00", 2) << false;
    QTest::newRow("unknown compression") << 30 << le32({9}) << false;
    // The reader then takes the pixels from where the palette ends.
    QTest::newRow("pixels past the end") << 10 << le32({0x7FFFFFF0}) << true;
    QTest::newRow("header size 0") << 14 << le32({0}) << false;
    QTest::newRow("header size huge") << 14 << le32({0xFFFFFFF0}) << false;
    QTest::newRow("palette of 2^32 - 1 colours") << 46 << le32({0xFFFFFFFF}) << false;
}

void TestPictureLoader::malformedBitmapHeaders()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, value);
    QFETCH(bool, mayLoad);
    const QByteArray bmp = makeBmp({8}).replace(offset, value.size(), value);
    if (!mayLoad) {
        QVERIFY_THROWS_EXCEPTION(PictureLoadError, decodeBytes(bmp));
        return;
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^QBuffer::seek")));
    try {
        QCOMPARE(decodeBytes(bmp).naturalSize(), QSize(5, 3));
    } catch (const PictureLoadError &) {
    }
}

void TestPictureLoader::drawsAtNaturalSize()
{
    const QImage source = gradient(QSize(52, 32));
    const Picture picture = Load(write(QStringLiteral("p.bmp"), encode(source, "bmp")));
    QCOMPARE(picture.naturalSizeTwips(), QSizeF(780, 480));

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

void TestPictureLoader::metafileSharpOnDenseScreens()
{
    const Picture picture = Load(write(QStringLiteral("drawing.bmp"), makePlaceableWmf()));
    QVERIFY(picture.isMetafile());
    QCOMPARE(picture.naturalSize(), QSize(96, 64));
    QCOMPARE(picture.naturalSizeTwips(), QSizeF(1440, 960));
    const QPixmap pixmap = picture.toPixmap(2.0);
    QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(96, 64));
    QCOMPARE(pixmap.size(), QSize(192, 128));
}

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"
