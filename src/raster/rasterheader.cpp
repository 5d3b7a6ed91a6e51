#include "raster/rasterheader.h"

#include <QList>

#include <algorithm>

namespace raster {

namespace {

// Reads over bytes from a file: running out never reads outside them, it marks the reader
// failed, which callers check after reading a structure's fields.
class Reader
{
public:
    explicit Reader(QByteArrayView bytes, qsizetype at = 0) : m_bytes(bytes), m_pos(at) {}
    uint8_t u8() { return take(1) ? uint8_t(m_bytes[m_pos - 1]) : 0; }
    uint16_t be16() { return uint16_t(u8() << 8 | u8()); }
    uint32_t be32() { return uint32_t(be16()) << 16 | be16(); }
    uint16_t le16() { return uint16_t(u8() | u8() << 8); }
    uint32_t le32() { return le16() | uint32_t(le16()) << 16; }
    void skip(int64_t n) { take(n); }
    bool ok() const { return !m_failed; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    qsizetype pos() const { return m_pos; }

private:
    bool take(int64_t n)
    {
        if (m_failed || n < 0 || n > m_bytes.size() - m_pos) {
            m_failed = true;
            m_pos = m_bytes.size();
            return false;
        }
        m_pos += qsizetype(n);
        return true;
    }
    QByteArrayView m_bytes;
    qsizetype m_pos;
    bool m_failed = false;
};

Error failAt(const char *format, qsizetype offset, const QString &what)
{
    return Error{QStringLiteral("%1 at 0x%2: %3")
                     .arg(QLatin1StringView(format))
                     .arg(offset, 0, 16)
                     .arg(what),
                 offset};
}

// What decoding a pixel costs, in nanoseconds measured on a 2-core desktop: GIF's reader
// unpacks codes into a table and converts each pixel on its own.
constexpr int64_t kPixelCost[] = {2, 18, 2, 5};
// And each byte of a GIF's codes, whether or not pixels come of them (clear codes do not).
constexpr int64_t kGifByteCost = 6;

Result<Header> sized(Header h, int64_t width, int64_t height, int64_t bytesPerPixel)
{
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return Error{QStringLiteral("%1 x %2 pixels is no picture size").arg(width).arg(height)};
    h.size = QSize(int(width), int(height));
    h.pixelBytes = width * height * bytesPerPixel;
    h.work += width * height * kPixelCost[int(h.format)];
    return h;
}

// Run-length BMP data ends with its end-of-bitmap code; a file cut before it is cut short.
bool rleEnds(QByteArrayView bytes, qsizetype start, bool four)
{
    Reader r(bytes, start);
    while (r.ok() && !r.atEnd()) {
        const uint8_t count = r.u8(), value = r.u8();
        if (count > 0)
            continue;
        if (value == 1)
            return r.ok();
        if (value == 2)
            r.skip(2);
        else if (value > 2) {
            const int run = four ? (value + 1) / 2 : value;
            r.skip(run + run % 2);
        }
    }
    return false;
}

// BITMAPFILEHEADER, then a BITMAPCOREHEADER (12 bytes) or a BITMAPINFOHEADER and its
// successors (40 bytes or more), as the BMP file format documents them.
Result<Header> readBmp(QByteArrayView bytes, int64_t fileSize)
{
    Reader r(bytes, 10);
    const uint32_t dataOffset = r.le32();
    const uint32_t headerSize = r.le32();
    int64_t width, height;
    bool topDown = false;
    uint16_t bitCount;
    uint32_t compression = 0;
    if (headerSize == 12) {
        width = r.le16();
        height = r.le16();
        r.skip(2);
        bitCount = r.le16();
    } else if (headerSize >= 40) {
        width = int32_t(r.le32());
        height = int32_t(r.le32());
        r.skip(2);
        bitCount = r.le16();
        compression = r.le32();
    } else {
        return failAt("BMP", 14, QStringLiteral("header size %1 is unknown").arg(headerSize));
    }
    if (!r.ok())
        return failAt("BMP", r.pos(), QStringLiteral("header cut short"));
    topDown = height < 0;
    height = std::abs(height);
    Header h;
    h.format = Format::Bmp;
    auto result = sized(h, width, height, bitCount <= 8 ? 1 : 4);
    if (!result)
        return result;
    h = result.value();
    const bool rle = compression == 1 || compression == 2;
    if (rle) {
        if (bytes.size() < fileSize) {
            h.needsWholeFile = true;
            return h;
        }
        if (!rleEnds(bytes, dataOffset, compression == 2))
            return failAt("BMP", bytes.size(), QStringLiteral("run-length data cut short"));
        return h;
    }
    const int64_t rowBytes = (width * bitCount + 31) / 32 * 4;
    if (int64_t(dataOffset) + rowBytes * height > fileSize)
        return failAt("BMP", fileSize,
                      QStringLiteral("%1 rows of %2 bytes need more than the file holds")
                          .arg(height)
                          .arg(rowBytes));
    // Plain pixels or bit fields, in rows of whole bytes, after the headers.
    if (headerSize >= 40 && dataOffset >= 14 + headerSize &&
        (compression == 0 || compression == 3 || compression == 6))
        h.bmpRows = Header::BmpRows{dataOffset, rowBytes, topDown};
    return h;
}

// The logical screen, then blocks up to the end of the first image's data, as GIF89a
// documents them: a file that ends before that image is complete is cut short.
Result<Header> readGif(QByteArrayView bytes)
{
    Reader r(bytes, 6);
    const int64_t width = r.le16(), height = r.le16();
    const uint8_t flags = r.u8();
    r.skip(2);
    if (flags & 0x80)
        r.skip(3 * (2 << (flags & 7)));
    Header h;
    h.format = Format::Gif;
    auto result = sized(h, width, height, 4);
    if (!result)
        return result;
    h = result.value();
    int64_t blockBytes = 0;
    auto subBlocks = [&r, &blockBytes] {
        blockBytes = 0;
        for (uint8_t length = r.u8(); r.ok() && length; length = r.u8()) {
            r.skip(length);
            blockBytes += length;
        }
    };
    while (r.ok()) {
        const uint8_t introducer = r.u8();
        if (introducer == 0x21) {
            r.skip(1);
            subBlocks();
        } else if (introducer == 0x2C) {
            r.skip(8);
            const uint8_t imageFlags = r.u8();
            if (imageFlags & 0x80)
                r.skip(3 * (2 << (imageFlags & 7)));
            r.skip(1);
            subBlocks();
            // A code of at most 12 bits a pixel, and a clear code now and then: more is codes
            // that make nothing.
            const int64_t pixels = int64_t(h.size.width()) * h.size.height();
            if (r.ok() && blockBytes > 2 * pixels + 65'536)
                return failAt(
                    "GIF", r.pos(),
                    QStringLiteral("%1 bytes of codes for %2 pixels").arg(blockBytes).arg(pixels));
            h.work += blockBytes * kGifByteCost;
            if (r.ok())
                return h;
        } else {
            break;
        }
    }
    return failAt("GIF", r.pos(), QStringLiteral("cut short before its first image ends"));
}

struct JpegComponent
{
    uint8_t id = 0;
    int h = 1, v = 1;
};

// What the frame header says: the size, the components and their sampling.
struct JpegFrame
{
    bool progressive = false;
    int64_t width = 0, height = 0;
    QList<JpegComponent> components;
    int hMax = 1, vMax = 1;
};

// The frame header's fields, after its length.
JpegFrame readJpegFrame(Reader &r, uint8_t marker)
{
    JpegFrame f;
    f.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
    r.skip(1);
    f.height = r.be16();
    f.width = r.be16();
    const uint8_t count = r.u8();
    for (int i = 0; i < count && r.ok(); ++i) {
        JpegComponent c;
        c.id = r.u8();
        const uint8_t sampling = r.u8();
        c.h = std::max(1, sampling >> 4);
        c.v = std::max(1, sampling & 15);
        f.hMax = std::max(f.hMax, c.h);
        f.vMax = std::max(f.vMax, c.v);
        r.skip(1);
        f.components.append(c);
    }
    return f;
}

// The samples a scan decodes: those of each frame component it names.
int64_t jpegScanWork(Reader &r, const JpegFrame &f)
{
    int64_t work = 0;
    const uint8_t inScan = r.u8();
    for (int i = 0; i < inScan && r.ok(); ++i) {
        const uint8_t id = r.u8();
        r.skip(1);
        for (const JpegComponent &c : f.components) {
            if (c.id == id)
                work += f.width * f.height * c.h * c.v / (f.hMax * f.vMax);
        }
    }
    return work;
}

// Past a scan's entropy-coded data, from its first byte: a 0xFF there is stuffed with a zero
// or starts a restart marker; any other marker ends it.
Reader afterEntropyData(QByteArrayView bytes, qsizetype from)
{
    Reader r(bytes, from);
    while (r.ok()) {
        const qsizetype at = bytes.indexOf('\xFF', r.pos());
        if (at < 0 || at + 1 >= bytes.size())
            return Reader(bytes, bytes.size());
        const uint8_t next = uint8_t(bytes[at + 1]);
        const bool inData = next == 0 || (next >= 0xD0 && next <= 0xD7);
        r = Reader(bytes, at + (inData ? 2 : 0));
        if (!inData)
            break;
    }
    return r;
}

// Walks the markers of ITU T.81: the frame header gives the size and the sampling; each
// scan is counted, and skipped to the next marker that is not a restart.
Result<Header> readJpeg(QByteArrayView bytes)
{
    Reader r(bytes, 2);
    Header h;
    h.format = Format::Jpeg;
    h.scans = 0;
    std::optional<JpegFrame> frame;
    int64_t scanWork = 0;
    while (r.ok()) {
        if (r.u8() != 0xFF)
            return failAt("JPEG", r.pos() - 1, QStringLiteral("marker expected"));
        uint8_t marker = r.u8();
        while (marker == 0xFF && r.ok())
            marker = r.u8();
        if (marker == 0xD9 || !r.ok())
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        const qsizetype segment = r.pos();
        const uint16_t length = r.be16();
        if (length < 2)
            return failAt("JPEG", segment, QStringLiteral("segment length %1").arg(length));
        const bool isFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (isFrame && !frame) {
            frame = readJpegFrame(r, marker);
            r = Reader(bytes, segment + length);
            continue;
        }
        if (marker != 0xDA) {
            r.skip(length - 2);
            continue;
        }
        if (!frame)
            return failAt("JPEG", segment, QStringLiteral("scan before the frame header"));
        if (++h.scans > kMaxJpegScans)
            return failAt("JPEG", segment, QStringLiteral("more than %1 scans").arg(kMaxJpegScans));
        scanWork += jpegScanWork(r, *frame);
        r = afterEntropyData(bytes, segment + length);
    }
    if (!frame || h.scans == 0)
        return failAt("JPEG", r.pos(), QStringLiteral("no frame or no scan"));
    const JpegFrame &f = *frame;
    auto result = sized(h, f.width, f.height, f.components.size() == 1 ? 1 : 4);
    if (!result)
        return result;
    h = result.value();
    h.work += scanWork * kPixelCost[int(Format::Jpeg)];
    // Progressive and multi-scan pictures are decoded through a buffer of every block's
    // coefficients: 64 of 2 bytes each, the blocks of every component padded to whole units.
    if (f.progressive || h.scans > 1) {
        const int64_t unitsX = (f.width + 8 * f.hMax - 1) / (8 * f.hMax);
        const int64_t unitsY = (f.height + 8 * f.vMax - 1) / (8 * f.vMax);
        for (const JpegComponent &c : f.components)
            h.workingBytes += unitsX * c.h * unitsY * c.v * 128;
    }
    return h;
}

// The signature, then the IHDR chunk, as every PNG file begins.
Result<Header> readPng(QByteArrayView bytes)
{
    if (!bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return failAt("PNG", 0, QStringLiteral("signature missing"));
    Reader r(bytes, 8);
    const uint32_t length = r.be32();
    const uint32_t type = r.be32();
    const int64_t width = r.be32(), height = r.be32();
    r.skip(4);
    const uint8_t interlace = r.u8();
    if (!r.ok() || length != 13 || type != 0x49484452)
        return failAt("PNG", 8, QStringLiteral("IHDR chunk missing"));
    Header h;
    h.format = Format::Png;
    // An interlaced picture is gathered whole, then handed over row by row.
    auto result = sized(h, width, height, 4);
    if (result && interlace)
        h = result.value(), h.workingBytes = h.pixelBytes, h.work *= 2;
    else if (result)
        h = result.value();
    else
        return result;
    return h;
}

} // namespace

const char *readerName(Format format)
{
    switch (format) {
    case Format::Bmp:
        return "bmp";
    case Format::Gif:
        return "gif";
    case Format::Jpeg:
        return "jpeg";
    case Format::Png:
        return "png";
    }
    return "";
}

std::optional<Format> sniffFile(QByteArrayView head)
{
    // BITMAPFILEHEADER's "BM", the GIF 87a and 89a signatures, JPEG's SOI and a marker.
    if (head.startsWith("BM"))
        return Format::Bmp;
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return Format::Gif;
    if (head.startsWith("\xFF\xD8\xFF"))
        return Format::Jpeg;
    return std::nullopt;
}

Result<Header> readHeader(Format format, QByteArrayView bytes, int64_t fileSize)
{
    switch (format) {
    case Format::Bmp:
        return readBmp(bytes, fileSize);
    case Format::Gif:
        return readGif(bytes);
    case Format::Jpeg:
        return readJpeg(bytes);
    case Format::Png:
        return readPng(bytes);
    }
    return Error{QStringLiteral("unknown format")};
}

} // namespace raster
