#pragma once

#include "support/bytes.h"

#include <QByteArray>

#include <cstdint>

// RIFF/WAVE images made up in the tests, small enough to read in a failure message.
namespace wave {

// A chunk with its size field and, for an odd size, the pad byte.
inline QByteArray chunk(const char *id, const QByteArray &body)
{
    QByteArray c = QByteArray(id, 4) + lebytes::dwords({body.size()}) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

// A fmt chunk; blockAlign -1 is the one that agrees with the rest.
inline QByteArray fmt(int tag, int channels, uint32_t rate, int bits, int blockAlign = -1)
{
    if (blockAlign < 0)
        blockAlign = channels * bits / 8;
    return chunk("fmt ", lebytes::words({tag, channels}) +
                             lebytes::dwords({rate, rate * blockAlign}) +
                             lebytes::words({blockAlign, bits}));
}

// The RIFF form around chunks; sizeError is added to its size field.
inline QByteArray riff(const QByteArray &chunks, int64_t sizeError = 0)
{
    return "RIFF" + lebytes::dwords({4 + chunks.size() + sizeError}) + "WAVE" + chunks;
}

inline QByteArray pcm(int channels, int rate, int bits, const QByteArray &samples)
{
    return riff(fmt(1, channels, uint32_t(rate), bits) + chunk("data", samples));
}

} // namespace wave
