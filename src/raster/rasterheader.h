#pragma once

#include "base/result.h"

#include <QByteArrayView>
#include <QSize>

#include <cstdint>
#include <optional>

// What a raster picture will cost to decode, read from its own header before any decoder
// sees it, so that a picture that would cost too much is refused without decoding it.
namespace raster {

enum class Format
{
    Bmp,
    Gif,
    Jpeg,
    Png
};

// The name of the one image reader that may decode the format.
const char *readerName(Format format);

// The format a picture file's first bytes name: BMP, GIF or JPEG, as the loader accepts them.
std::optional<Format> sniffFile(QByteArrayView head);

// Past these no real picture goes; each is checked before any decoding.
inline constexpr int kMaxSide = 32'767;
// Progressive JPEG encoders write 6 to 18 scans; each scan is another pass over the picture.
inline constexpr int kMaxJpegScans = 32;
// Work one decode may take, in units of about a nanosecond on a current 2-core desktop, where
// fresh memory costs as much again: a quarter of a second for a picture shown whole (a
// 6000 x 4000 photo, a progressive one of some 9 Mpx with its usual ten scans), a tenth for
// one of which only a small part is shown.
inline constexpr int64_t kMaxDecodeWork = 150'000'000;
inline constexpr int64_t kMaxPartDecodeWork = 50'000'000;

struct Header
{
    Format format = Format::Bmp;
    QSize size;
    // The decoded pixels, and the decoder's own buffers on top of them.
    int64_t pixelBytes = 0;
    int64_t workingBytes = 0;
    // What the whole decode costs, in the units of kMaxDecodeWork: each pixel at its format's
    // price, and for a JPEG again for every scan over it.
    int64_t work = 0;
    int scans = 1;
    // A run-length BMP is checked for its end only with all of its bytes at hand.
    bool needsWholeFile = false;
    // Where an uncompressed BMP with an info header keeps its rows, so that a part of it can be
    // read without the rest; nullopt for any other picture.
    struct BmpRows
    {
        int64_t dataOffset = 0;
        int64_t rowBytes = 0;
        bool topDown = false;
    };
    std::optional<BmpRows> bmpRows;
};

// Reads the header from a whole file's bytes (a BMP's first bytes are enough: its pixel data
// is checked against fileSize). Fails on a malformed or cut header, a size past the caps, or
// image data the file cuts short.
Result<Header> readHeader(Format format, QByteArrayView bytes, int64_t fileSize);

} // namespace raster
