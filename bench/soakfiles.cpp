#include "soakfiles.h"
#include "support/bytes.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include <cstdint>
#include <initializer_list>
#include <optional>

namespace soak {
namespace {

using lebytes::put16;
using lebytes::put32;

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 90);
    return bytes;
}

QImage signImage(QColor colour)
{
    QImage image(52, 32, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// One WMF record: its size in words (its own 3-word header included), function, parameters.
void putWmfRecord(QByteArray &out, uint16_t function, std::initializer_list<uint16_t> parameters,
                  std::optional<uint32_t> claimedSize = {})
{
    put32(out, claimedSize.value_or(uint32_t(3 + parameters.size())));
    put16(out, function);
    for (uint16_t word : parameters)
        put16(out, word);
}

// A placeable WMF of 52 x 32 pixels (780 x 480 at 1440 units an inch): one filled rectangle.
QByteArray tinyWmf(std::optional<uint32_t> rectangleSize = {})
{
    QByteArray records;
    putWmfRecord(records, 0x020B, {0, 0});            // META_SETWINDOWORG
    putWmfRecord(records, 0x020C, {480, 780});        // META_SETWINDOWEXT
    putWmfRecord(records, 0x02FC, {0, 0x00FF, 0, 0}); // META_CREATEBRUSHINDIRECT red
    putWmfRecord(records, 0x012D, {0});               // META_SELECTOBJECT
    putWmfRecord(records, 0x041B, {450, 750, 30, 30}, rectangleSize); // META_RECTANGLE
    putWmfRecord(records, 0x0000, {});                                // META_EOF

    QByteArray out;
    const uint16_t placeable[10] = {0xCDD7, 0x9AC6, 0, 0, 0, 780, 480, 1440, 0, 0};
    uint16_t checksum = 0;
    for (uint16_t word : placeable) {
        put16(out, word);
        checksum ^= word;
    }
    put16(out, checksum);
    put16(out, 1);      // in memory
    put16(out, 9);      // header words
    put16(out, 0x0300); // version
    put32(out, uint32_t(9 + records.size() / 2));
    put16(out, 1); // objects
    put32(out, 7); // largest record, in words
    put16(out, 0);
    return out + records;
}

// An EMF of 52 x 32 pixels at 96 dpi: header, one rectangle, end.
QByteArray tinyEmf(uint32_t claimedHeaderSize = 88)
{
    QByteArray out;
    put32(out, 1); // EMR_HEADER
    put32(out, claimedHeaderSize);
    for (uint32_t v : {0u, 0u, 51u, 31u}) // bounds, in pixels
        put32(out, v);
    for (uint32_t v : {0u, 0u, 1375u, 846u}) // frame, in 0.01 mm
        put32(out, v);
    put32(out, 0x464D4520); // " EMF"
    put32(out, 0x00010000); // version
    put32(out, 88 + 24 + 20);
    put32(out, 3); // records
    put16(out, 1); // handles
    put16(out, 0);
    for (uint32_t v : {0u, 0u, 0u}) // no description, no palette
        put32(out, v);
    for (uint32_t v : {1024u, 768u, 271u, 203u}) // the reference device: 96 dpi
        put32(out, v);
    for (uint32_t v : {43u, 24u, 2u, 2u, 49u, 29u}) // EMR_RECTANGLE
        put32(out, v);
    for (uint32_t v : {14u, 20u, 0u, 16u, 20u}) // EMR_EOF
        put32(out, v);
    return out;
}

// A BMP header that promises 30000 x 30000 pixels of 32 bits: 3.4 GiB if it were believed.
QByteArray hugeBmp()
{
    QByteArray out("BM");
    put32(out, 54 + 64);
    put32(out, 0);
    put32(out, 54);
    for (uint32_t v : {40u, 30000u, 30000u})
        put32(out, v);
    put16(out, 1);
    put16(out, 32);
    for (int i = 0; i < 6; ++i)
        put32(out, 0);
    out.append(64, '\x7f');
    return out;
}

QByteArray garbage(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray out(size, Qt::Uninitialized);
    for (char &c : out)
        c = char(random.bounded(256));
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

std::vector<SignFile> signFiles()
{
    const QString data = QStringLiteral(POTERO_TEST_DATA "/pictures/");
    const QByteArray bmp = encoded(signImage(Qt::blue), "BMP");
    const QByteArray gif = fileBytes(data + QStringLiteral("sign.gif"));
    const QByteArray jpeg = encoded(signImage(Qt::red), "JPEG");
    const QByteArray wmf = tinyWmf();
    const QByteArray emf = tinyEmf();
    // Good and broken alternate in name order, so every step changes or keeps the picture.
    return {
        {"a-good.bmp", bmp},
        {"b-cut.bmp", bmp.left(40)},
        {"c-good.gif", gif},
        {"d-huge.bmp", hugeBmp()},
        {"e-good.jpg", jpeg},
        {"f-cut.jpg", jpeg.left(jpeg.size() / 2)},
        {"g-animated.gif", fileBytes(data + QStringLiteral("animated.gif"))},
        {"h-text.gif", QByteArray("GIF89a but only words\n")},
        {"i-cmyk.jpeg", fileBytes(data + QStringLiteral("cmyk.jpg"))},
        {"j-garbage.jpg", garbage(2048, 1)},
        {"k-good.wmf", wmf},
        {"l-cut.wmf", wmf.left(30)},
        {"m-good.emf", emf},
        {"n-cut.emf", emf.left(100)},
        {"o-record-size-0.wmf", tinyWmf(0u)},
        {"p-header-too-big.emf", tinyEmf(0x7FFFFFF0)},
        {"q-garbage.emf", garbage(512, 2)},
        {"r-empty.bmp", QByteArray()},
        {"s-cut.gif", gif.left(gif.size() / 2)},
        {"t-garbage.wmf", garbage(300, 3)},
    };
}

bool writeFolder(const QString &folder, const std::vector<SignFile> &files)
{
    for (const SignFile &file : files) {
        QFile out(folder + QLatin1Char('/') + QLatin1String(file.name));
        if (!out.open(QIODevice::WriteOnly) || out.write(file.bytes) != file.bytes.size())
            return false;
    }
    return true;
}

} // namespace soak
