#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <initializer_list>

// Little-endian bytes for the hand-made files of the tests: pictures, metafiles, sounds.
namespace lebytes {

inline void put16(QByteArray &out, uint16_t v)
{
    out.append(char(v & 0xFF)).append(char(v >> 8));
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

} // namespace lebytes
