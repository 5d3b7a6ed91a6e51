#include "platform/wavefile.h"

namespace wavefile {

namespace {

constexpr std::int64_t kRiffHeaderSize = 12; // "RIFF", size, "WAVE"
constexpr std::int64_t kChunkHeaderSize = 8; // id, size

// Little-endian reads at absolute offsets; the caller checks the range first.
std::uint16_t u16le(QByteArrayView bytes, std::int64_t at)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                      static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

std::uint32_t u32le(QByteArrayView bytes, std::int64_t at)
{
    return static_cast<std::uint32_t>(u16le(bytes, at)) |
           static_cast<std::uint32_t>(u16le(bytes, at + 2)) << 16;
}

bool hasId(QByteArrayView bytes, std::int64_t at, const char (&id)[5])
{
    return bytes.sliced(at, 4) == QByteArrayView(id, 4);
}

// The chunk id as text for a message, with anything unprintable shown as "?".
QString idText(QByteArrayView bytes, std::int64_t at)
{
    QString text;
    for (char c : bytes.sliced(at, 4))
        text += (c >= 0x20 && c < 0x7F) ? QLatin1Char(c) : QLatin1Char('?');
    return text;
}

Error fault(std::int64_t offset, const QString &message)
{
    return Error{QStringLiteral("WAVE at 0x%1: %2").arg(offset, 0, 16).arg(message), offset};
}

struct Chunk
{
    std::int64_t body = -1; // offset of the chunk's data, -1 when absent
    std::int64_t size = 0;
};

Result<Wave> parseFormat(QByteArrayView bytes, Chunk fmt, Chunk data)
{
    if (fmt.size < kFmtChunkSize)
        return fault(fmt.body, QStringLiteral("fmt chunk of %1 bytes is shorter than the %2 of PCM")
                                   .arg(fmt.size)
                                   .arg(kFmtChunkSize));
    const std::uint16_t tag = u16le(bytes, fmt.body);
    Format format;
    format.channels = u16le(bytes, fmt.body + 2);
    const std::uint32_t rate = u32le(bytes, fmt.body + 4);
    const std::uint16_t blockAlign = u16le(bytes, fmt.body + 12);
    format.bitsPerSample = u16le(bytes, fmt.body + 14);

    if (tag != kFormatPcm)
        return fault(fmt.body, QStringLiteral("format tag 0x%1 is not PCM").arg(tag, 0, 16));
    if (format.channels < 1 || format.channels > kMaxChannels)
        return fault(fmt.body + 2, QStringLiteral("%1 channels").arg(format.channels));
    if (rate < kMinSampleRate || rate > kMaxSampleRate)
        return fault(fmt.body + 4, QStringLiteral("%1 samples per second").arg(rate));
    format.sampleRate = static_cast<int>(rate);
    const int bits = format.bitsPerSample;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return fault(fmt.body + 14, QStringLiteral("%1 bits per sample").arg(bits));
    // The frame size the samples are cut by; a file that disagrees with itself is not played.
    if (blockAlign != format.bytesPerFrame())
        return fault(fmt.body + 12, QStringLiteral("block align %1 for %2 channels of %3 bits")
                                        .arg(blockAlign)
                                        .arg(format.channels)
                                        .arg(bits));

    const std::int64_t wholeFrames = data.size / blockAlign * blockAlign;
    return Wave{format, bytes.sliced(data.body, wholeFrames)};
}

} // namespace

Result<Wave> parse(QByteArrayView bytes)
{
    const std::int64_t size = bytes.size();
    if (size < kRiffHeaderSize)
        return fault(0, QStringLiteral("%1 bytes are too few for a RIFF header").arg(size));
    if (!hasId(bytes, 0, "RIFF") || !hasId(bytes, 8, "WAVE"))
        return fault(0, QStringLiteral("not a RIFF/WAVE file"));
    // Bytes after the RIFF form are ignored; a form longer than the bytes is truncated.
    const std::int64_t end = kChunkHeaderSize + std::int64_t{u32le(bytes, 4)};
    if (end > size)
        return fault(4, QStringLiteral("RIFF size %1 runs past the end of the %2 bytes")
                            .arg(end - kChunkHeaderSize)
                            .arg(size));

    Chunk fmt;
    Chunk data;
    std::int64_t at = kRiffHeaderSize;
    while (at < end) {
        if (end - at < kChunkHeaderSize)
            return fault(
                at, QStringLiteral("%1 bytes left are too few for a chunk header").arg(end - at));
        const std::int64_t body = at + kChunkHeaderSize;
        const std::int64_t chunkSize = u32le(bytes, at + 4);
        if (chunkSize > end - body)
            return fault(at, QStringLiteral("chunk \"%1\" of %2 bytes runs past the end of the "
                                            "RIFF form (%3 bytes left)")
                                 .arg(idText(bytes, at))
                                 .arg(chunkSize)
                                 .arg(end - body));
        Chunk *known = hasId(bytes, at, "fmt ") ? &fmt : hasId(bytes, at, "data") ? &data : nullptr;
        if (known) {
            if (known->body >= 0)
                return fault(at, QStringLiteral("a second \"%1\" chunk").arg(idText(bytes, at)));
            *known = Chunk{body, chunkSize};
        }
        // Chunks are padded to an even length; a missing pad after the last one is tolerated.
        at = body + chunkSize + (chunkSize & 1);
    }

    if (fmt.body < 0)
        return fault(kRiffHeaderSize, QStringLiteral("no fmt chunk"));
    if (data.body < 0)
        return fault(kRiffHeaderSize, QStringLiteral("no data chunk"));
    return parseFormat(bytes, fmt, data);
}

} // namespace wavefile
