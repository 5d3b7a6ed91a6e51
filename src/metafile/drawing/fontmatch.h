#pragma once

#include "metafile/drawing/gdiobjects.h"

#include <QFont>

namespace metafile {

// The character set of a logical font decides how its 8-bit strings decode: the default set
// is the system's code page, CP932.
namespace charset {
inline constexpr uint8_t kAnsi = 0, kDefault = 1, kSymbol = 2, kShiftJis = 128;
} // namespace charset

// A font in the Symbol encoding, named Symbol or of the symbol character set: its codes stand
// for the Symbol font's glyphs, not for characters of a code page.
bool isSymbolFont(const Font &font);

// A font for a logical font: its face, or the installed stand-in for a Japanese face, with
// weight, slant and decoration; the size is set by the caller.
QFont matchFont(const Font &font);

// Whether glyphs of the font, at a size in device pixels, are drawn with smoothed edges: as
// the logical font's quality and the font itself advise.
bool smoothsGlyphs(const QFont &font, uint8_t quality, int ppem);

} // namespace metafile
