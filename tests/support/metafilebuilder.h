#pragma once

#include "support/bytes.h"

#include <QByteArray>
#include <QList>
#include <QRect>

#include <cstdint>
#include <cstring>
#include <initializer_list>

// Little-endian writers, and DIBs for bitmap records.
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

} // namespace mfbytes

// A Windows metafile built record by record; finish() adds the headers and the end record.
class WmfBuilder
{
public:
    WmfBuilder &placeable(QRect bounds, int unitsPerInch)
    {
        m_placeable = true;
        m_bounds = bounds;
        m_inch = unitsPerInch;
        return *this;
    }
    // params: the record's parameter bytes (padded to whole words).
    WmfBuilder &record(uint16_t function, QByteArray params)
    {
        if (params.size() % 2)
            params.append('\0');
        mfbytes::put32(m_records, uint32_t(3 + params.size() / 2));
        mfbytes::put16(m_records, function);
        m_records.append(params);
        return *this;
    }
    WmfBuilder &words(uint16_t function, std::initializer_list<int> values)
    {
        return record(function, mfbytes::words(values));
    }
    WmfBuilder &raw(const QByteArray &bytes)
    {
        m_records.append(bytes);
        return *this;
    }
    QByteArray finish() const
    {
        using namespace mfbytes;
        QByteArray out;
        if (m_placeable) {
            out = dwords({0x9AC6CDD7});
            out.append(mfbytes::words({0, m_bounds.left(), m_bounds.top(), m_bounds.right() + 1,
                                       m_bounds.bottom() + 1, m_inch, 0, 0, 0}));
        }
        const int totalWords = 9 + int(m_records.size() / 2) + 3;
        out.append(
            mfbytes::words({1, 9, 0x0300, totalWords & 0xFFFF, totalWords >> 16, 8, 0, 0, 0}));
        return out + m_records + mfbytes::dwords({3}) + mfbytes::words({0});
    }

private:
    bool m_placeable = false;
    QRect m_bounds;
    int m_inch = 1440;
    QByteArray m_records;
};

// An enhanced metafile built record by record, on a 96-dpi reference device.
class EmfBuilder
{
public:
    // frame in hundredths of a millimetre.
    explicit EmfBuilder(QRect frame) : m_frame(frame) {}
    EmfBuilder &record(uint32_t type, const QByteArray &params)
    {
        m_records.append(mfbytes::dwords({type, 8 + params.size()}) + params);
        ++m_count;
        return *this;
    }
    EmfBuilder &dwords(uint32_t type, std::initializer_list<int64_t> values)
    {
        return record(type, mfbytes::dwords(values));
    }
    QByteArray finish() const
    {
        const QRect f = m_frame;
        // The header record, 100 bytes: bounds, frame, signature, version, size, records,
        // handles (8), reserved, no description or palette; 960 pixels over 254 mm: 96 dpi.
        QByteArray out = mfbytes::dwords({1, 100, 0, 0, 1000, 1000});
        out += mfbytes::dwords({f.left(), f.top(), f.right(), f.bottom(), 0x464D4520, 0x10000});
        out += mfbytes::dwords({128 + m_records.size(), m_count + 2, 8, 0, 0, 0});
        out += mfbytes::dwords({960, 960, 254, 254, 0, 0, 0});
        return out + m_records + mfbytes::dwords({14, 20, 0, 0, 20});
    }

private:
    QRect m_frame;
    int m_count = 0;
    QByteArray m_records;
};
