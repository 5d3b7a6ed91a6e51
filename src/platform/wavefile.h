#pragma once

#include "base/result.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>

// The parts of a RIFF/WAVE file image that a player needs: the PCM format and the samples.
// Only plain PCM is taken; anything else is refused, so that no noise is ever played.
namespace wavefile {

struct Format
{
    int channels = 0;
    int sampleRate = 0;    // frames per second
    int bitsPerSample = 0; // 8 (unsigned), 16, 24 or 32 (signed, little-endian)

    int bytesPerFrame() const { return channels * (bitsPerSample / 8); }
};

struct Wave
{
    Format format;
    // Whole frames only: a partial frame at the end of the data chunk is left out. Points into
    // the bytes that were parsed.
    QByteArrayView samples;

    std::int64_t frames() const { return samples.size() / format.bytesPerFrame(); }
};

// Caps on the format; a file beyond them is refused rather than handed to a device.
constexpr int kMaxChannels = 8;            // 7.1, the most a sound device is likely to take
constexpr int kMinSampleRate = 1000;       // below this no device plays PCM
constexpr int kMaxSampleRate = 384000;     // the fastest rate of current devices
constexpr std::uint16_t kFormatPcm = 1;    // WAVE_FORMAT_PCM
constexpr std::int64_t kFmtChunkSize = 16; // the PCM fields of the fmt chunk

// Parses a whole RIFF/WAVE file image. The wave's samples point into bytes; an error's offset
// is where in them the fault was found.
Result<Wave> parse(QByteArrayView bytes);

} // namespace wavefile
