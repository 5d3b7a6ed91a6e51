#pragma once

#include "raster/memorycap.h"
#include "raster/rasterheader.h"

#include <QImage>
#include <QRect>

class QIODevice;

namespace raster {

// Pixels and the share of the memory cap they hold.
struct Decoded
{
    QImage image;
    Reservation reservation;
};

// Decodes the picture whose header was read, with the one reader its format names: no other
// reader ever guesses at the bytes. Memory for the pixels and the decoder's buffers is
// reserved first. A clip (in the picture's pixels) limits the decoding to that part where the
// reader can do so, and the result to that part in any case.
// A decode that would take more than maxWork is refused before it starts.
Result<Decoded> decode(QIODevice &device, const Header &header, const QRect &clip = {},
                       int64_t maxWork = kMaxDecodeWork);

// A JPEG with only the markers its pixels need: comments, Exif, colour profiles and the other
// application markers but JFIF's and Adobe's change nothing shown, and the reader would keep
// every one of them in memory. Bytes it cannot walk come back as they are.
QByteArray pixelMarkers(QByteArrayView jpeg);

// A GIF with its first image only, and of the extensions before it only the one that may make a
// colour transparent: comments, application blocks and the frames after it show nothing, and
// the reader would go through every one. Bytes it cannot walk come back as they are.
QByteArray firstGifImage(QByteArrayView gif);

// What a format's reader is handed of a picture's bytes: a PNG's pixel chunks, a JPEG's pixel
// markers, a GIF's first image; nullopt for a format whose bytes all count (BMP).
std::optional<QByteArray> neededBytes(Format format, QByteArrayView bytes);

// The same for bytes at hand, as a picture inside a metafile holds them.
Result<Decoded> decode(QByteArrayView bytes, Format format);

} // namespace raster
