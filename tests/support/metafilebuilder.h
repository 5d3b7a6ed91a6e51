#pragma once

#include "support/bytes.h"

#include <QByteArray>
#include <QList>
#include <QRect>

#include <cstdint>

// Metafiles record by record, and DIBs for their bitmap records.
namespace mfbytes {
using namespace lebytes;

// A bottom-up DIB: a 40-byte header, a colour table and the rows given top row first as
// 0x00BBGGRR colours, stored at the requested bit count (1, 4, 8 use the table; 24, 32 direct).
inline QByteArray dib(int width, int height, int bitCount, const QList<uint32_t> &table,
                      const QList<uint32_t> &pixelsTopDown)
{
    QByteArray out = dwords({40, width, height});
    out.append(words({1, bitCount}));
    out.append(dwords({0, 0, 0, 0, table.size(), 0}));
    for (uint32_t c : table)
        put32(out, ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
    const int stride = ((width * bitCount + 31) / 32) * 4;
    const int bytesPerPixel = bitCount / 8;
    for (int row = height - 1; row >= 0; --row) {
        QByteArray line(stride, '\0');
        for (int x = 0; x < width; ++x) {
            const uint32_t v = pixelsTopDown[row * width + x];
            if (bitCount <= 8) {
                const int bit = x * bitCount;
                line[bit / 8] = char(uint8_t(line[bit / 8]) | (v << (8 - bitCount - bit % 8)));
            } else {
                // Stored blue, green, red (and a spare byte at 32 bits).
                for (int c = 0; c < 3; ++c)
                    line[x * bytesPerPixel + c] = char((v >> (16 - 8 * c)) & 0xFF);
            }
        }
        out.append(line);
    }
    return out;
}

// One record: its type (EMF) or function (WMF) and its parameter bytes. A raw one goes in as
// it is, for records broken on purpose.
struct Record
{
    uint32_t type;
    QByteArray params;
};
constexpr uint32_t kRaw = 0xFFFFFFFF;

inline Record raw(const QByteArray &bytes)
{
    return {kRaw, bytes};
}

inline Record e(uint32_t type, const QByteArray &params)
{
    return {type, params};
}

inline Record w(uint16_t function, const QByteArray &params)
{
    return {function, params};
}

// An EMF record of 32-bit parameters.
template <class... V> Record e(uint32_t type, V... values)
{
    return {type, dwords({int64_t(values)...})};
}

// A WMF record of 16-bit parameters.
template <class... V> Record w(uint16_t function, V... values)
{
    return {function, words({int(values)...})};
}

// A Windows metafile: the placeable header when unitsPerInch is given, the standard header,
// the records (padded to whole words) and the end record.
inline QByteArray wmfFile(const QList<Record> &records, QRect bounds = {}, int unitsPerInch = 0)
{
    QByteArray body;
    for (Record r : records) {
        if (r.type != kRaw) {
            if (r.params.size() % 2)
                r.params.append('\0');
            body += dwords({3 + r.params.size() / 2}) + words({int(r.type)});
        }
        body += r.params;
    }
    body += dwords({3}) + words({0});
    QByteArray out;
    if (unitsPerInch)
        out = dwords({0x9AC6CDD7}) + words({0, bounds.left(), bounds.top(), bounds.right() + 1,
                                            bounds.bottom() + 1, unitsPerInch, 0, 0, 0});
    const int total = 9 + int(body.size() / 2);
    return out + words({1, 9, 0x0300, total & 0xFFFF, total >> 16, 8, 0, 0, 0}) + body;
}

// An enhanced metafile on a 96-dpi reference device, its frame in hundredths of a millimetre.
// The header record, 100 bytes: bounds, frame, signature, version, size, records, handles (8),
// reserved, no description or palette; 960 pixels over 254 mm make 96 dpi.
inline QByteArray emfFile(QRect frame, const QList<Record> &records)
{
    QByteArray body;
    for (const Record &r : records)
        body += dwords({r.type, 8 + r.params.size()}) + r.params;
    body += dwords({14, 20, 0, 0, 20});
    return dwords({1, 100, 0, 0, 1000, 1000}) +
           dwords({frame.left(), frame.top(), frame.right(), frame.bottom()}) +
           dwords({0x464D4520, 0x10000, 100 + body.size(), records.size() + 2, 8, 0, 0}) +
           dwords({0, 960, 960, 254, 254, 0, 0, 0}) + body;
}

} // namespace mfbytes
