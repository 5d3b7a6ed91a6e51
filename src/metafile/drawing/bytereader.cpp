#include "metafile/drawing/bytereader.h"

#include <cstring>

namespace metafile {

bool ByteReader::take(qsizetype n)
{
    if (m_failed || n < 0 || n > remaining()) {
        m_failed = true;
        m_pos = m_bytes.size();
        return false;
    }
    return true;
}

uint8_t ByteReader::u8()
{
    if (!take(1))
        return 0;
    return static_cast<uint8_t>(m_bytes[m_pos++]);
}

uint16_t ByteReader::u16()
{
    if (!take(2))
        return 0;
    const auto *p = reinterpret_cast<const uint8_t *>(m_bytes.data() + m_pos);
    m_pos += 2;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t ByteReader::u32()
{
    if (!take(4))
        return 0;
    const auto *p = reinterpret_cast<const uint8_t *>(m_bytes.data() + m_pos);
    m_pos += 4;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

float ByteReader::f32()
{
    const uint32_t bits = u32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void ByteReader::skip(qsizetype n)
{
    if (take(n))
        m_pos += n;
}

ByteReader ByteReader::sub(qsizetype n)
{
    if (!take(n))
        return ByteReader();
    ByteReader part(m_bytes.sliced(m_pos, n));
    m_pos += n;
    return part;
}

QByteArrayView ByteReader::at(uint64_t offset, uint64_t n)
{
    const auto size = static_cast<uint64_t>(m_bytes.size());
    if (offset > size || n > size - offset) {
        m_failed = true;
        return {};
    }
    return m_bytes.sliced(static_cast<qsizetype>(offset), static_cast<qsizetype>(n));
}

} // namespace metafile
