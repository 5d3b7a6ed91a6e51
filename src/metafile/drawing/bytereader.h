#pragma once

#include <QByteArrayView>

#include <cstdint>

namespace metafile {

// Little-endian reads over bytes that came from a file. Running past the end never reads
// outside the bytes: it yields zero and marks the reader failed, which the record handlers
// check once after reading all of a record's fields.
class ByteReader
{
public:
    ByteReader() = default;
    explicit ByteReader(QByteArrayView bytes) : m_bytes(bytes) {}

    uint8_t u8();
    uint16_t u16();
    int16_t i16() { return static_cast<int16_t>(u16()); }
    uint32_t u32();
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32();
    void skip(qsizetype n);
    // The next n bytes as a reader of their own; fails (and yields an empty reader) when fewer
    // remain.
    ByteReader sub(qsizetype n);
    // n bytes from offset within the whole view, without moving; empty and failed when out of
    // range (offset and n are checked in 64 bits so that they cannot wrap).
    QByteArrayView at(uint64_t offset, uint64_t n);

    bool ok() const { return !m_failed; }
    qsizetype pos() const { return m_pos; }
    qsizetype remaining() const { return m_bytes.size() - m_pos; }
    qsizetype size() const { return m_bytes.size(); }
    QByteArrayView bytes() const { return m_bytes; }
    QByteArrayView rest() const { return m_bytes.sliced(m_pos); }

private:
    bool take(qsizetype n);
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    bool m_failed = false;
};

} // namespace metafile
