#include "metafile/drawing/dib.h"

#include "metafile/drawing/bytereader.h"
#include "metafile/drawing/limits.h"

#include "raster/rasterdecoder.h"

#include <bit>

namespace metafile {

namespace {

// Compression values of the bitmap header.
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kCoreHeaderSize = 12, kInfoHeaderSize = 40;

struct Header
{
    int64_t width = 0;
    int64_t height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kBiRgb;
    uint32_t masks[4] = {};
    int entrySize = 4;
    qsizetype tableOffset = 0;
    uint32_t tableCount = 0;
    qsizetype infoSize = 0;
};

Error fail(const char *why)
{
    return Error{QString::fromLatin1(why)};
}

Result<Header> readHeader(QByteArrayView info, DibColors colors)
{
    Header h;
    ByteReader r(info);
    const uint32_t size = r.u32();
    if (size == kCoreHeaderSize) {
        h.width = r.u16();
        h.height = r.u16();
        r.skip(2);
        h.bitCount = r.u16();
        h.entrySize = 3;
    } else if (size >= kInfoHeaderSize && size <= 0x1000) {
        h.width = r.i32();
        const int32_t height = r.i32();
        h.topDown = height < 0;
        h.height = height < 0 ? -int64_t(height) : height;
        r.skip(2);
        h.bitCount = r.u16();
        h.compression = r.u32();
        r.skip(12);
        h.tableCount = r.u32();
        r.skip(4);
        if (size >= 52 || h.compression == kBiBitfields) {
            // Masks sit inside the newer headers, and just after the 40-byte one.
            ByteReader m(info.sliced(std::min<qsizetype>(info.size(), 40)));
            for (int i = 0; i < (size >= 56 ? 4 : 3); ++i)
                h.masks[i] = m.u32();
            if (!m.ok())
                return fail("bitmap masks cut short");
        }
    } else {
        return fail("unknown bitmap header size");
    }
    if (!r.ok())
        return fail("bitmap header cut short");
    if (colors == DibColors::Palette)
        h.entrySize = 2;
    h.tableOffset = size;
    if (size == kInfoHeaderSize && h.compression == kBiBitfields)
        h.tableOffset += 12;
    if (h.bitCount <= 8 && (h.tableCount == 0 || h.tableCount > (1u << h.bitCount)))
        h.tableCount = 1u << h.bitCount;
    else if (h.bitCount > 8 && h.tableCount > 256)
        return fail("bitmap colour table too long");
    h.infoSize = h.tableOffset + qsizetype(h.tableCount) * h.entrySize;
    if (h.width <= 0 || h.height <= 0 || h.width > limits::kMaxBitmapSide ||
        h.height > limits::kMaxBitmapSide)
        return fail("bitmap size out of range");
    if (h.width * h.height > limits::kMaxBitmapPixels)
        return fail("bitmap larger than the cap");
    switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    case 0:
        if (h.compression == kBiJpeg || h.compression == kBiPng)
            break;
        [[fallthrough]];
    default:
        return fail("unsupported bit count");
    }
    return h;
}

QList<QRgb> colourTable(QByteArrayView info, const Header &h, const Palette &palette)
{
    QList<QRgb> table(h.tableCount, qRgb(0, 0, 0));
    ByteReader r(info.sliced(std::min(info.size(), h.tableOffset)));
    for (uint32_t i = 0; i < h.tableCount && r.remaining() >= h.entrySize; ++i) {
        if (h.entrySize == 2) {
            const uint16_t index = r.u16();
            if (index < palette.entries.size())
                table[i] = palette.entries[index];
        } else {
            const uint8_t b = r.u8(), g = r.u8(), rd = r.u8();
            if (h.entrySize == 4)
                r.skip(1);
            table[i] = qRgb(rd, g, b);
        }
    }
    return table;
}

// One channel of a masked pixel, scaled to eight bits.
uint32_t channel(uint32_t pixel, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t bits = mask >> shift;
    const uint32_t value = (pixel & mask) >> shift;
    return bits >= 255 ? (value * 255) / bits : (value * 255 + bits / 2) / bits;
}

void decodeRows(QImage &image, const Header &h, QByteArrayView bits, const QList<QRgb> &table,
                bool keepAlpha)
{
    const int64_t stride = ((h.width * h.bitCount + 31) / 32) * 4;
    const int64_t rows = std::min<int64_t>(h.height, bits.size() / stride);
    uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
    if (h.compression != kBiBitfields && h.bitCount == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
    } else if (h.compression != kBiBitfields && h.bitCount == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0xFF000000;
    }
    if (!keepAlpha)
        masks[3] = 0;
    for (int64_t row = 0; row < rows; ++row) {
        const auto *src = reinterpret_cast<const uint8_t *>(bits.data() + row * stride);
        const int y = int(h.topDown ? row : h.height - 1 - row);
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int64_t x = 0; x < h.width; ++x) {
            switch (h.bitCount) {
            case 1:
            case 4:
            case 8: {
                const int64_t bit = x * h.bitCount;
                const int shift = 8 - h.bitCount - int(bit % 8);
                const uint32_t index = (src[bit / 8] >> shift) & ((1u << h.bitCount) - 1);
                dst[x] = index < uint32_t(table.size()) ? table[index] : qRgb(0, 0, 0);
                break;
            }
            case 16:
            case 32: {
                const uint8_t *p = src + x * (h.bitCount / 8);
                const uint32_t v = h.bitCount == 16
                                       ? uint32_t(p[0] | (p[1] << 8))
                                       : uint32_t(p[0]) | (uint32_t(p[1]) << 8) |
                                             (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
                const uint32_t alpha = masks[3] ? channel(v, masks[3]) : 255;
                dst[x] = qRgba(int(channel(v, masks[0])), int(channel(v, masks[1])),
                               int(channel(v, masks[2])), int(alpha));
                break;
            }
            case 24: {
                const uint8_t *p = src + x * 3;
                dst[x] = qRgb(p[2], p[1], p[0]);
                break;
            }
            }
        }
    }
}

// Run-length bitmaps: pixels the runs skip stay transparent. Every step consumes input, so
// the loop ends with the bits.
void decodeRle(QImage &image, const Header &h, QByteArrayView bits, const QList<QRgb> &table)
{
    const bool four = h.compression == kBiRle4;
    auto colour = [&](uint32_t index) {
        return index < uint32_t(table.size()) ? table[index] : qRgb(0, 0, 0);
    };
    int64_t x = 0, row = 0;
    auto put = [&](uint32_t index) {
        if (x < h.width && row < h.height)
            reinterpret_cast<QRgb *>(image.scanLine(int(h.height - 1 - row)))[x] = colour(index);
        ++x;
    };
    ByteReader r(bits);
    while (r.remaining() >= 2 && row < h.height) {
        const uint8_t count = r.u8(), value = r.u8();
        if (count > 0) {
            for (int i = 0; i < count && x <= h.width; ++i)
                put(four ? (i % 2 ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            x += r.u8();
            row += r.u8();
        } else {
            const int bytes = four ? (value + 1) / 2 : value;
            const QByteArrayView run = r.sub(bytes).bytes();
            for (int i = 0; i < value; ++i) {
                const qsizetype at = four ? i / 2 : i;
                const uint8_t byte = at < run.size() ? uint8_t(run[at]) : 0;
                put(four ? (i % 2 ? byte & 0x0F : byte >> 4) : byte);
            }
            r.skip(bytes % 2);
        }
    }
}

// A JPEG or PNG carried in a bitmap record: only the reader the compression names decodes it,
// and its pixels come out of the playback's budget before it is decoded.
Result<Dib> decodeEmbedded(QByteArrayView bits, raster::Format format, PixelBudget &budget)
{
    const auto header = raster::readHeader(format, bits, bits.size());
    if (!header)
        return header.error();
    const QSize size = header->size;
    if (int64_t(size.width()) * size.height() > limits::kMaxBitmapPixels ||
        !budget.take(int64_t(size.width()) * size.height()))
        return fail("embedded picture past the playback's pixel budget");
    auto decoded = raster::decode(bits, format);
    if (!decoded || decoded->image.size() != size)
        return fail("embedded picture unreadable");
    Dib dib;
    dib.image = decoded->image.convertToFormat(QImage::Format_ARGB32);
    dib.bitCount = 32;
    return dib;
}

} // namespace

bool PixelBudget::take(int64_t pixels)
{
    if (pixels < 0 || pixels > m_remaining)
        return false;
    auto reservation = raster::reserve(pixels * 4);
    if (!reservation)
        return false;
    m_held.push_back(std::move(reservation).value());
    m_remaining -= pixels;
    return true;
}

Result<qsizetype> dibInfoSize(QByteArrayView packed, DibColors colors)
{
    const auto h = readHeader(packed, colors);
    if (!h)
        return h.error();
    return h->infoSize;
}

Result<Dib> decodeDib(QByteArrayView info, QByteArrayView bits, DibColors colors,
                      const Palette &palette, PixelBudget &budget, bool keepAlpha)
{
    const auto header = readHeader(info, colors);
    if (!header)
        return header.error();
    const Header &h = *header;
    if (h.compression == kBiJpeg || h.compression == kBiPng)
        return decodeEmbedded(
            bits, h.compression == kBiPng ? raster::Format::Png : raster::Format::Jpeg, budget);
    const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
    if ((rle && h.bitCount != (h.compression == kBiRle8 ? 8 : 4)) ||
        (!rle && h.compression != kBiRgb && h.compression != kBiBitfields))
        return fail("unsupported bitmap compression");
    const int64_t pixels = h.width * h.height;
    if (!budget.take(pixels))
        return fail("bitmaps past the playback's pixel budget");
    Dib dib;
    dib.bitCount = h.bitCount;
    dib.bottomUp = !h.topDown;
    dib.image = QImage(int(h.width), int(h.height), QImage::Format_ARGB32);
    if (dib.image.isNull())
        return fail("bitmap allocation failed");
    dib.image.fill(Qt::transparent);
    const QList<QRgb> table = colourTable(info, h, palette);
    if (rle)
        decodeRle(dib.image, h, bits, table);
    else
        decodeRows(dib.image, h, bits, table, keepAlpha);
    return dib;
}

Result<Dib> decodePackedDib(QByteArrayView packed, DibColors colors, const Palette &palette,
                            PixelBudget &budget)
{
    const auto infoSize = dibInfoSize(packed, colors);
    if (!infoSize)
        return infoSize.error();
    if (*infoSize > packed.size())
        return fail("bitmap colour table past the record");
    return decodeDib(packed.first(*infoSize), packed.sliced(*infoSize), colors, palette, budget);
}

} // namespace metafile
