#pragma once

#include "base/result.h"

#include "metafile/drawing/gdiobjects.h"
#include "raster/memorycap.h"

#include <QByteArrayView>
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace metafile {

// The colour usage of a bitmap record: its colour table holds colours, or indices into the
// selected palette.
enum class DibColors
{
    Rgb,
    Palette
};

// A device-independent bitmap decoded to pixels.
struct Dib
{
    QImage image;
    int bitCount = 0;
    // Stored bottom row first, so that source rows count from the bottom.
    bool bottomUp = false;
};

// Pixels the decoder may still allocate during one playback; each decode takes from it, and
// from the program's one memory cap for pictures, until the playback ends.
class PixelBudget
{
public:
    explicit PixelBudget(int64_t pixels) : m_remaining(pixels) {}
    // False, taking nothing, when the pixels pass this playback's share or the program's cap.
    bool take(int64_t pixels);

private:
    int64_t m_remaining;
    std::vector<raster::Reservation> m_held;
};

// Decodes a bitmap from its info block (header and colour table) and its pixel bits. Fails
// with why when the header is malformed, a size is past the caps or the budget, or the
// compression is unknown. Rows missing from short bits stay transparent. The fourth byte of
// 32-bit pixels is alpha only where keepAlpha asks for it; elsewhere it is padding.
Result<Dib> decodeDib(QByteArrayView info, QByteArrayView bits, DibColors colors,
                      const Palette &palette, PixelBudget &budget, bool keepAlpha = false);

// The length of the info block at the start of a packed bitmap (header, masks and colour
// table); fails when the header cannot be read.
Result<qsizetype> dibInfoSize(QByteArrayView packed, DibColors colors);

// A packed bitmap, as WMF records hold it: the info block then the bits.
Result<Dib> decodePackedDib(QByteArrayView packed, DibColors colors, const Palette &palette,
                            PixelBudget &budget);

} // namespace metafile
