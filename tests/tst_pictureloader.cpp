// The picture loader: BMP, JPEG, GIF and metafiles from a path, refused early when they are
// too much or not what they claim, never blocking on what is not a regular file.
#include "decoder/pictureloader.h"

#include "raster/memorycap.h"
#include "raster/rasterdecoder.h"
#include "support/files.h"
#include "support/metafilebuilder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <climits>

#include <sys/stat.h>

using namespace mfbytes;

namespace {

constexpr QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255),
               kWhite = qRgb(255, 255, 255);

// The 3 × 2 picture of every test bitmap, top row first, as indexes into its colours (two
// of them at 1 bit, where only the low bit of each index counts) given as a DIB's 0x00BBGGRR.
const QList<QRgb> kColours = {kRed, kGreen, kBlue, kWhite};
const QList<uint32_t> kTable = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
const QList<uint32_t> kIndexes = {0, 1, 2, 2, 3, 0};

// A BMP file around a DIB of a 40-byte header, its colour table and its pixels.
QByteArray bmp(const QByteArray &dibBytes)
{
    const int table = 4 * uint8_t(dibBytes[32]);
    return "BM" + dwords({14 + dibBytes.size(), 0, 54 + table}) + dibBytes;
}

QByteArray bmpOf(int bits)
{
    const bool indexed = bits <= 8;
    QList<uint32_t> pixels;
    for (int i = 0; i < 6; ++i)
        pixels.append(indexed ? kIndexes[i] & (bits == 1 ? 1 : 3) : kTable[kIndexes[i]]);
    return bmp(
        dib(3, 2, bits, indexed ? kTable.first(bits == 1 ? 2 : 4) : QList<uint32_t>{}, pixels));
}

// Run-length rows, bottom row first: the bottom one as three runs of one, the top one as an
// absolute run of three (padded to whole words), each row closed by an end-of-line code.
QByteArray rleBmp(int bits)
{
    const bool four = bits == 4;
    const auto at = [](int i) { return char(kIndexes[i]); };
    QByteArray data;
    for (int i = 3; i < 6; ++i)
        data += QByteArray(1, 1) + char(four ? at(i) << 4 | at(i) : at(i));
    data += QByteArray(2, '\0') + QByteArray("\0\3", 2);
    data += four ? QByteArray(1, char(at(0) << 4 | at(1))) + char(at(2) << 4)
                 : QByteArray(1, at(0)) + at(1) + at(2) + '\0';
    data += QByteArray(2, '\0') + QByteArray("\0\1", 2);
    QByteArray info = dib(3, 2, bits, kTable, kIndexes).first(40 + 16);
    return bmp(info.replace(16, 8, dwords({four ? 2 : 1, data.size()})) + data);
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
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), 128));
    return image;
}

QByteArray fixture(const char *name)
{
    return testfiles::read(QStringLiteral(POTERO_TEST_DATA "/pictures/") + QLatin1String(name));
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
    const qsizetype sof = std::max(jpeg.indexOf("\xFF\xC0"), jpeg.indexOf("\xFF\xC2"));
    const char size[] = {char(height >> 8), char(height), char(width >> 8), char(width)};
    return jpeg.replace(sof + 5, 4, QByteArray(size, 4));
}

// A JPEG whose last scan is repeated until it has the given number of scans.
QByteArray withScans(const QByteArray &jpeg, int scans)
{
    const qsizetype lastScan = jpeg.lastIndexOf("\xFF\xDA");
    const QByteArray scan = jpeg.mid(lastScan, jpeg.size() - 2 - lastScan);
    const int has = int(jpeg.count("\xFF\xDA"));
    return jpeg.left(jpeg.size() - 2) + scan.repeated(scans - has) + "\xFF\xD9";
}

// An EMF whose one StretchDIBits record carries payload as a bitmap of the given compression:
// bounds, destination and source, the offsets of the info and the bits from the record's
// start, usage, SRCCOPY and the destination's size.
QByteArray emfWithEmbedded(const QByteArray &payload, quint32 compression)
{
    const QByteArray info =
        dwords({40, 52, 32}) + words({1, 0}) + dwords({compression, payload.size(), 0, 0, 0, 0});
    const QByteArray fields = dwords(
        {0, 0, 51, 31, 0, 0, 0, 0, 52, 32, 80, 40, 120, payload.size(), 0, 0x00CC0020, 52, 32});
    return emfFile(QRect(0, 0, 1375, 846), {e(81, fields + info + payload)});
}

// A JPEG marker segment: the marker, its length (the two length bytes counted) and the payload.
QByteArray segment(char marker, const QByteArray &payload)
{
    const qsizetype length = payload.size() + 2;
    return QByteArray("\xFF") + marker + char(length >> 8) + char(length & 0xFF) + payload;
}

// The JPEG with a comment, an Exif block and a colour profile after its start: none of them
// changes a pixel.
QByteArray withUnneededMarkers(const QByteArray &jpeg)
{
    return jpeg.left(2) + segment('\xFE', "made by hand") +
           segment('\xE1', "Exif\0\0" + QByteArray(300, 'x')) +
           segment('\xE2', "ICC_PROFILE\0" + QByteArray(200, 'y')) + jpeg.mid(2);
}

// Where a GIF's first image's codes begin: past the screen and its colour table, the extensions,
// and the image's own header, table and code size.
qsizetype gifCodesAt(const QByteArray &gif)
{
    const auto *p = reinterpret_cast<const uchar *>(gif.constData());
    qsizetype at = 13 + ((p[10] & 0x80) ? 3 * (2 << (p[10] & 7)) : 0);
    while (p[at] == 0x21) {
        for (at += 2; p[at]; at += 1 + p[at]) {
        }
        ++at;
    }
    return at + 11 + ((p[at + 9] & 0x80) ? 3 * (2 << (p[at + 9] & 7)) : 0);
}

void verifyPixel(const QImage &image, QPoint at, QRgb expected)
{
    const QRgb got = image.pixel(at);
    const int off =
        std::max({std::abs(qRed(got) - qRed(expected)), std::abs(qGreen(got) - qGreen(expected)),
                  std::abs(qBlue(got) - qBlue(expected))});
    QVERIFY2(off <= 12 && qAlpha(got) == 255,
             qPrintable(QStringLiteral("(%1, %2) is %3").arg(at.x()).arg(at.y()).arg(got, 8, 16)));
}

using Pixels = QList<std::pair<QPoint, QRgb>>;

} // namespace

Q_DECLARE_METATYPE(Pixels)

class TestPictureLoader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loads_data();
    void loads();
    void notRegularFilesFailAtOnce();
    void pathUsedUnchanged();
    void refused_data();
    void refused();
    void caps();
    void cutShort_data();
    void cutShort();
    void embeddedPicturesClosed();
    void unneededPartsLeftOut();
    void shownPartOnly();
    void metafileSharpOnDenseScreens();

private:
    QString write(const QString &name, const QByteArray &bytes, qint64 size = -1)
    {
        return testfiles::write(m_dir.filePath(name), bytes, size);
    }

    QTemporaryDir m_dir;
};

void TestPictureLoader::initTestCase()
{
    // Broken files are this test's daily bread; the readers' complaints about them are noise.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    QVERIFY(m_dir.isValid());
}

// Every file is named .bmp: the content decides the format.
void TestPictureLoader::loads_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Pixels>("pixels");
    Pixels whole, twoColours;
    for (int i = 0; i < 6; ++i) {
        whole.append({QPoint(i % 3, i / 3), kColours[kIndexes[i]]});
        twoColours.append({QPoint(i % 3, i / 3), kColours[kIndexes[i] & 1]});
    }
    for (int bits : {1, 4, 8, 24, 32})
        QTest::addRow("BMP %d bits", bits)
            << bmpOf(bits) << QSize(3, 2) << (bits == 1 ? twoColours : whole);
    QTest::newRow("BMP RLE8") << rleBmp(8) << QSize(3, 2) << whole;
    QTest::newRow("BMP RLE4") << rleBmp(4) << QSize(3, 2) << whole;
    // A negative height stores the rows top-down.
    const QByteArray b = bmpOf(24);
    const QByteArray topDown =
        b.left(22) + dwords({-2}) + b.mid(26, 28) + b.mid(66) + b.mid(54, 12);
    QTest::newRow("BMP top-down") << topDown << QSize(3, 2) << whole;
    // The old 12-byte header: 16-bit sizes.
    QByteArray core = bmpOf(24);
    core.replace(10, 20, dwords({26, 12}) + words({3, 2, 1, 24})).remove(26, 24);
    QTest::newRow("BMP core header") << core << QSize(3, 2) << whole;
    QByteArray wide = dib(32767, 1, 24, {}, QList<uint32_t>(32767, 0x0000FF));
    QTest::newRow("BMP at the side cap") << bmp(wide) << QSize(32767, 1) << Pixels{{{0, 0}, kRed}};

    const QImage source = gradient(QSize(52, 32));
    const Pixels middle = {{{26, 16}, source.pixel(26, 16)}};
    QTest::newRow("JPEG baseline") << encode(source, "jpeg") << QSize(52, 32) << middle;
    QTest::newRow("JPEG progressive") << encode(source, "jpeg", true) << QSize(52, 32) << middle;
    QTest::newRow("JPEG with a comment, Exif and a profile")
        << withUnneededMarkers(encode(source, "jpeg")) << QSize(52, 32) << middle;
    QImage grey(40, 20, QImage::Format_Grayscale8);
    grey.fill(90);
    QTest::newRow("JPEG greyscale")
        << encode(grey, "jpeg") << QSize(40, 20) << Pixels{{{20, 10}, qRgb(90, 90, 90)}};
    QTest::newRow("JPEG CMYK") << fixture("cmyk.jpg") << QSize(16, 8) << Pixels{{{8, 4}, kRed}};
    QTest::newRow("JPEG with restart markers")
        << fixture("restart.jpg") << QSize(16, 8)
        << Pixels{{{2, 2}, qRgb(40, 40, 40)}, {{13, 5}, qRgb(220, 220, 220)}};
    // An animation shows its first image, still.
    QTest::newRow("GIF animated") << fixture("animated.gif") << QSize(8, 8)
                                  << Pixels{{{4, 4}, kRed}};
    QTest::newRow("GIF still") << fixture("still.gif") << QSize(6, 4)
                               << Pixels{{{0, 0}, kRed}, {{1, 0}, kGreen}, {{5, 3}, kBlue}};
}

void TestPictureLoader::loads()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QFETCH(Pixels, pixels);
    const auto picture = Load(write(QStringLiteral("sign.bmp"), bytes));
    QVERIFY2(picture, qPrintable(picture ? QString() : picture.error().message));
    QCOMPARE(picture->naturalSize(), size);
    for (const auto &[at, colour] : pixels)
        verifyPixel(picture->render(QRect(QPoint(0, 0), size), 1.0), at, colour);
}

// A FIFO without a writer would block an open or a read for ever, and /dev/zero never ends: a
// hang here is the fault this test exists for.
void TestPictureLoader::notRegularFilesFailAtOnce()
{
    const QString fifo = m_dir.filePath(QStringLiteral("fifo")),
                  link = m_dir.filePath(QStringLiteral("link.bmp")),
                  folder = m_dir.filePath(QStringLiteral("folder.bmp"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QFile::link(fifo, link) && QDir().mkdir(folder));
    const QString notRegular = QStringLiteral("not a regular file");
    const std::pair<QString, QString> cases[] = {
        {m_dir.filePath(QStringLiteral("missing.bmp")), qt_error_string(ENOENT)},
        {folder, notRegular},
        {fifo, notRegular},
        {link, notRegular},
        {QStringLiteral("/dev/zero"), notRegular}};
    for (const auto &[path, reason] : cases) {
        const auto picture = Load(path);
        QVERIFY2(!picture, qPrintable(path));
        QVERIFY2(picture.error().message.endsWith(reason), qPrintable(picture.error().message));
    }
}

// The path is used as given: not joined to a folder without its separator, and a relative
// one from the working folder. An empty one is no picture.
void TestPictureLoader::pathUsedUnchanged()
{
    const auto none = Load(QString());
    QVERIFY(none && none->isNull() && none->render(QRect(0, 0, 52, 32), 2.0).isNull());
    const QString folder = m_dir.path();
    QVERIFY(Load(write(QStringLiteral("a.bmp"), bmpOf(24))));
    QVERIFY(!Load(folder + QStringLiteral("a.bmp")));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    const bool elsewhere = Load(QStringLiteral("a.bmp")).ok();
    QVERIFY(QDir::setCurrent(folder));
    const bool here = Load(QStringLiteral("a.bmp")).ok();
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(!elsewhere && here);
}

void TestPictureLoader::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const QImage image = gradient(QSize(8, 6));
    QTest::newRow("text") << QByteArray("not a picture\n") << "";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("PNG") << encode(image, "png") << "";
    QTest::newRow("XPM") << QByteArray("/* XPM */\nstatic char *x[] = {\n\"1 1 1 1\",\n"
                                       "\". c #FF0000\",\n\".\"};\n")
                         << "";
    QTest::newRow("JPEG marker alone") << QByteArray("\xFF\xD8\xFF") << "";
    // A metafile's refusal says what its header lacks.
    QTest::newRow("EMF header without its signature")
        << dwords({1, 88}) + QByteArray(80, 0) << "EMF header:";
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
    // Sub-blocks of codes far past what 24 pixels need: clear codes make nothing, at any length.
    QByteArray codes = fixture("still.gif");
    codes.insert(gifCodesAt(codes), (char(255) + QByteArray(255, 0)).repeated(300));
    QTest::newRow("GIF of 76 KB of codes for 24 pixels") << codes << "bytes of codes";
    QTest::newRow("RLE8 BMP of 30000 x 30000")
        << rleBmp(8).replace(18, 8, dwords({30000, 30000})) << "more work";
    const auto sized = [](int width, int height) {
        return bmpOf(24).replace(18, 8, dwords({width, height}));
    };
    QTest::newRow("BMP width 0") << sized(0, 2) << "no picture size";
    QTest::newRow("BMP height 0") << sized(3, 0) << "no picture size";
    QTest::newRow("BMP height INT_MIN") << sized(3, INT_MIN) << "no picture size";
    QTest::newRow("BMP wider than the side cap") << sized(32768, 1) << "no picture size";
    QTest::newRow("BMP taller than the side cap") << sized(1, 32768) << "no picture size";
    QTest::newRow("BMP header size 0") << bmpOf(24).replace(14, 4, dwords({0})) << "header size";
    QTest::newRow("BMP pixels past the end")
        << bmpOf(24).replace(10, 4, dwords({0x7FFFFFF0})) << "more than the file holds";
}

void TestPictureLoader::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const auto picture = Load(write(QStringLiteral("x.bmp"), bytes));
    QVERIFY(!picture);
    QVERIFY2(picture.error().message.contains(reason), qPrintable(picture.error().message));
    QCOMPARE(raster::heldBytes(), 0);
}

// Pictures held count against one cap: a 24-bit BMP of 4096 x 6144 decodes to exactly the
// cap and one row more is refused; two of half of it fill it until one is gone. A file is
// read up to its own cap. The files are sparse.
void TestPictureLoader::caps()
{
    const auto large = [this](int rows) {
        const QByteArray head = bmp(dwords({40, 4096, rows}) + words({1, 24}) + QByteArray(24, 0));
        return write(QStringLiteral("large.bmp"), head, 54 + qint64(4096) * 3 * rows);
    };
    // The picture held while the comparison runs takes the cap exactly.
    QCOMPARE(Load(large(6144)) ? raster::heldBytes() : -1, raster::kMaxHeldBytes);
    QCOMPARE(raster::heldBytes(), 0);
    QVERIFY(!Load(large(6145)));
    const QString half = large(3072);
    auto first = Load(half), second = Load(half);
    QVERIFY(first && second);
    const QString small = write(QStringLiteral("small.bmp"), bmpOf(24));
    QVERIFY(!Load(small));
    second = Error{};
    QVERIFY(Load(small));

    const QString path =
        write(QStringLiteral("padded.bmp"), bmpOf(24), picturelimits::kMaxFileBytes);
    QVERIFY(Load(path));
    QVERIFY(QFile::resize(path, picturelimits::kMaxFileBytes + 1));
    QVERIFY(!Load(path));
}

void TestPictureLoader::cutShort_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("whole");
    QTest::newRow("BMP 24 bits") << bmpOf(24) << int(bmpOf(24).size());
    QTest::newRow("BMP RLE4") << rleBmp(4) << int(rleBmp(4).size());
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
    const QString fifo = m_dir.filePath(QStringLiteral("marker"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString svgPath = m_dir.filePath(QStringLiteral("x.svg"));
    const QByteArray svg = "<svg xmlns='http://www.w3.org/2000/svg' "
                           "xmlns:xlink='http://www.w3.org/1999/xlink' width='52' height='32'>"
                           "<image xlink:href='" +
                           QFile::encodeName(fifo) + "'/><image xlink:href='" +
                           QFile::encodeName(svgPath) + "' width='52' height='32'/></svg>";
    write(QStringLiteral("x.svg"), svg);
    QImage red(52, 32, QImage::Format_RGB32);
    red.fill(Qt::red);
    // The payload, the compression its record names, and whether it is drawn.
    const std::tuple<QByteArray, quint32, bool> cases[] = {{svg, 5, false},
                                                           {encode(red, "bmp"), 5, false},
                                                           {encode(red, "png"), 4, false},
                                                           {encode(red, "png"), 5, true},
                                                           {encode(red, "jpeg"), 4, true}};
    for (const auto &[payload, compression, drawn] : cases) {
        const auto picture = decodeBytes(emfWithEmbedded(payload, compression));
        QVERIFY2(picture, qPrintable(picture ? QString() : picture.error().message));
        const QRgb middle = picture->render(QRect(0, 0, 52, 32), 1.0).pixel(26, 16);
        QCOMPARE(qRed(middle) > 200 && qAlpha(middle) == 255, drawn);
    }
}

// The sign decodes and keeps only the part it shows, yet its size is the whole picture's.
// The reader is handed a JPEG without the markers its pixels do not need, whatever holds them,
// and a GIF without its comments and the frames after its first.
void TestPictureLoader::unneededPartsLeftOut()
{
    for (const QByteArray &jpeg : {encode(gradient(QSize(52, 32)), "jpeg"), fixture("restart.jpg"),
                                   encode(gradient(QSize(52, 32)), "jpeg", true)})
        QCOMPARE(raster::pixelMarkers(withUnneededMarkers(jpeg)), jpeg);
    const QByteArray animated = fixture("animated.gif");
    const QByteArray first = raster::firstGifImage(animated);
    QVERIFY(first.size() < animated.size());
    QCOMPARE(QImage::fromData(first, "GIF"), QImage::fromData(animated, "GIF"));
    QByteArray commented = first;
    commented.insert(gifCodesAt(first) - 11, QByteArray("\x21\xFE\x05notes\0", 9));
    QCOMPARE(raster::firstGifImage(commented), first);
    // The still picture with its colours in a table of its image's own: the screen's flags say
    // none, the image's four.
    const QByteArray still = fixture("still.gif");
    QByteArray local = still.left(13) + still.mid(25, 8) + still.mid(33, 10);
    local[10] = char(0x70);
    local[30] = char(0x81);
    local += still.mid(13, 12) + still.mid(43);
    QCOMPARE(QImage::fromData(local, "GIF"), QImage::fromData(still, "GIF"));
    const QByteArray note("\x21\xFE\x05notes\0", 9);
    QCOMPARE(raster::firstGifImage(local.left(13) + note + local.mid(13)), local);
}

void TestPictureLoader::shownPartOnly()
{
    const QImage source = gradient(QSize(400, 300));
    for (const char *format : {"bmp", "jpeg"}) {
        const auto picture = decodeBytes(encode(source, format), QRect(0, 0, 52, 32));
        QVERIFY(picture);
        QCOMPARE(picture->naturalSize(), QSize(400, 300));
        QCOMPARE(picture->bitmap().size(), QSize(52, 32));
        verifyPixel(picture->render(QRect(0, 0, 52, 32), 2.0), {51, 31}, source.pixel(51, 31));
    }
    // A BMP's part is read from its own rows, whichever way up the file keeps them: here a green
    // level a row.
    const QByteArray bottomUp = encode(gradient(QSize(60, 255)), "bmp");
    QByteArray topDown = bottomUp.left(22) + dwords({-255}) + bottomUp.mid(26, 28);
    for (int row = 254; row >= 0; --row)
        topDown += bottomUp.mid(54 + row * 180, 180);
    for (const QByteArray &b : {bottomUp, topDown}) {
        const QImage rows = decodeBytes(b, QRect(5, 100, 52, 32))->bitmap();
        QCOMPARE(rows.size(), QSize(52, 32));
        QCOMPARE(qGreen(rows.pixel(0, 0)), 100);
        QCOMPARE(qGreen(rows.pixel(51, 31)), 131);
        QCOMPARE(qRed(rows.pixel(0, 0)), 5 * 255 / 60);
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
    verifyPixel(lazy->render(QRect(300, 200, 200, 200), 1.0), {10, 10}, source.pixel(310, 210));
    const QImage part = decodeBytes(encode(source, "bmp"))->render(QRect(300, 200, 200, 200), 1.0);
    QCOMPARE(part.size(), QSize(100, 100));
    QCOMPARE(part.pixel(0, 0), source.pixel(300, 200));
}

// A metafile is drawn for the screen's pixel ratio, 1 when the ratio is unknown: here a red
// right half, of which the part from x 40 is asked for.
void TestPictureLoader::metafileSharpOnDenseScreens()
{
    const QByteArray wmf =
        wmfFile({w(0x02FC, 0, 0xFF, 0, 0), w(0x012D, 0), w(0x041B, 960, 1440, 0, 720)},
                QRect(0, 0, 1440, 960), 1440);
    const auto picture = Load(write(QStringLiteral("drawing.bmp"), wmf));
    QVERIFY(picture && picture->isMetafile());
    QCOMPARE(picture->naturalSizeTwips(), QSizeF(1440, 960));
    for (const qreal ratio : {2.0, 0.0}) {
        const QImage image = picture->render(QRect(40, 0, 100, 100), ratio);
        const qreal r = ratio > 0 ? ratio : 1;
        QCOMPARE(image.deviceIndependentSize(), QSizeF(56, 64));
        QCOMPARE(image.size(), QSize(56, 64) * r);
        QCOMPARE(qAlpha(image.pixel((QPointF(4, 32) * r).toPoint())), 0);
        verifyPixel(image, (QPointF(12, 32) * r).toPoint(), kRed);
    }
}

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"
