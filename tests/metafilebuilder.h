#pragma once

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>

#include <QList>

#include <cstdint>
#include <cstring>
#include <initializer_list>

// Little-endian bytes for hand-made metafiles in the tests.
namespace mfbytes {

inline void put16(QByteArray &out, uint16_t v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

inline void put32(QByteArray &out, uint32_t v)
{
    put16(out, uint16_t(v & 0xFFFF));
    put16(out, uint16_t(v >> 16));
}

inline QByteArray words(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        put16(out, uint16_t(v));
    return out;
}

inline QByteArray dwords(std::initializer_list<int64_t> values)
{
    QByteArray out;
    for (int64_t v : values)
        put32(out, uint32_t(v));
    return out;
}

inline QByteArray floats(std::initializer_list<float> values)
{
    QByteArray out;
    for (float v : values) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        put32(out, bits);
    }
    return out;
}

inline uint32_t rgb(int r, int g, int b)
{
    return uint32_t(r) | (uint32_t(g) << 8) | (uint32_t(b) << 16);
}

// A bottom-up DIB: a 40-byte header, a colour table and the rows given top row first as
// 32-bit colours, stored at the requested bit count (1, 4, 8 use the table; 24, 32 direct).
inline QByteArray dib(int width, int height, int bitCount, const QList<uint32_t> &table,
                      const QList<uint32_t> &pixelsTopDown)
{
    QByteArray out;
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, uint16_t(bitCount));
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, uint32_t(table.size()));
    put32(out, 0);
    for (uint32_t c : table)
        put32(out, ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
    const int stride = ((width * bitCount + 31) / 32) * 4;
    for (int row = height - 1; row >= 0; --row) {
        QByteArray line(stride, '\0');
        for (int x = 0; x < width; ++x) {
            const uint32_t v = pixelsTopDown[row * width + x];
            switch (bitCount) {
            case 1:
            case 4:
            case 8: {
                const int bit = x * bitCount;
                line[bit / 8] = char(uint8_t(line[bit / 8]) | (v << (8 - bitCount - bit % 8)));
                break;
            }
            case 24:
                line[x * 3] = char((v >> 16) & 0xFF);
                line[x * 3 + 1] = char((v >> 8) & 0xFF);
                line[x * 3 + 2] = char(v & 0xFF);
                break;
            case 32:
                line[x * 4] = char((v >> 16) & 0xFF);
                line[x * 4 + 1] = char((v >> 8) & 0xFF);
                line[x * 4 + 2] = char(v & 0xFF);
                line[x * 4 + 3] = 0;
                break;
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
    WmfBuilder &objects(int count)
    {
        m_objects = count;
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
            put32(out, 0x9AC6CDD7);
            put16(out, 0);
            out.append(mfbytes::words({m_bounds.left(), m_bounds.top(), m_bounds.right() + 1,
                                       m_bounds.bottom() + 1, m_inch}));
            put32(out, 0);
            put16(out, 0);
        }
        const int totalWords = 9 + int(m_records.size() / 2) + 3;
        out.append(mfbytes::words({1, 9, 0x0300}));
        put32(out, uint32_t(totalWords));
        put16(out, uint16_t(m_objects));
        put32(out, 0);
        put16(out, 0);
        out.append(m_records);
        put32(out, 3);
        put16(out, 0);
        return out;
    }

private:
    bool m_placeable = false;
    QRect m_bounds;
    int m_inch = 1440;
    int m_objects = 8;
    QByteArray m_records;
};

// An enhanced metafile built record by record, on a 96-dpi reference device.
class EmfBuilder
{
public:
    // frame in hundredths of a millimetre.
    explicit EmfBuilder(QRect frame, int handles = 8) : m_frame(frame), m_handles(handles) {}
    EmfBuilder &record(uint32_t type, const QByteArray &params)
    {
        mfbytes::put32(m_records, type);
        mfbytes::put32(m_records, uint32_t(8 + params.size()));
        m_records.append(params);
        ++m_count;
        return *this;
    }
    EmfBuilder &dwords(uint32_t type, std::initializer_list<int64_t> values)
    {
        return record(type, mfbytes::dwords(values));
    }
    QByteArray finish() const
    {
        using namespace mfbytes;
        QByteArray header;
        header.append(mfbytes::dwords({0, 0, 1000, 1000}));
        header.append(
            mfbytes::dwords({m_frame.left(), m_frame.top(), m_frame.right(), m_frame.bottom()}));
        put32(header, 0x464D4520);
        put32(header, 0x10000);
        const int total = 8 + 100 + int(m_records.size()) + 20;
        put32(header, uint32_t(total));
        put32(header, uint32_t(m_count + 2));
        put16(header, uint16_t(m_handles));
        put16(header, 0);
        put32(header, 0);
        put32(header, 0);
        put32(header, 0);
        // 960 pixels over 254 mm: 96 dpi.
        header.append(mfbytes::dwords({960, 960, 254, 254}));
        header.append(mfbytes::dwords({0, 0, 0}));
        QByteArray out;
        put32(out, 1);
        put32(out, uint32_t(8 + header.size()));
        out.append(header);
        out.append(m_records);
        out.append(mfbytes::dwords({14, 20, 0, 0, 20}));
        return out;
    }

private:
    QRect m_frame;
    int m_handles;
    int m_count = 0;
    QByteArray m_records;
};
