#pragma once

#include <QRgb>

namespace metafile::textgamma {

// A pixel of smoothed text as GDI blends it: the ink over what lies under it, mixed by the
// glyph's coverage (0-255) through a text gamma, so a half-covered pixel is lighter than its
// coverage alone on a light ground, and heavier on a dark one. Over an opaque ground the
// result is that ground's pixel, blended; over a transparent one (the white a picture is shown
// on) the ink with the alpha that gives the same pixel over white for dark ink; where the glyph
// does not reach, nothing. Premultiplied, to be drawn over the ground.
QRgb blend(QRgb ink, int coverage, QRgb ground);

} // namespace metafile::textgamma
