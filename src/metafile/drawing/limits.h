#pragma once

#include "raster/memorycap.h"

#include <cstdint>

// Caps on what one metafile may make the player do, so that no input can exhaust memory or
// time. Real pictures stay far below each of them.
namespace metafile::limits {

// Records played from one file; a sign picture has tens to a few thousand.
inline constexpr int kMaxRecords = 1'000'000;
// Slots in the object table; WMF indices are 16-bit, EMF producers use a few hundred.
inline constexpr uint32_t kMaxObjects = 65'536;
// Points in one drawing call, and in one poly-polygon all together.
inline constexpr uint32_t kMaxPoints = 100'000;
// Polygons in one poly-polygon call.
inline constexpr uint32_t kMaxPolygons = 100'000;
// Depth of the saved device contexts.
inline constexpr int kMaxSavedStates = 1'024;
// Decoded pixels of all the bitmaps one playback decodes together, pattern brushes that stay
// in the object table included: as 32-bit pixels, the program's whole cap for pictures, from
// which they are taken as well.
inline constexpr int64_t kMaxTotalBitmapPixels = raster::kMaxHeldBytes / 4;
// Decoded pixels of one bitmap.
inline constexpr int64_t kMaxBitmapPixels = kMaxTotalBitmapPixels;
// Width or height of one bitmap.
inline constexpr int32_t kMaxBitmapSide = 32'767;
// Rectangles in one clipping or filled region.
inline constexpr uint32_t kMaxRegionRects = 20'000;
// Characters in one text call.
inline constexpr uint32_t kMaxTextChars = 8'192;
// Logical fonts one playback finds and sizes, and the work each finding is charged: matching a
// face the machine lacks takes up to two milliseconds, and a picture uses a handful of fonts.
inline constexpr int kMaxFonts = 32;
inline constexpr int64_t kFontWork = 20'000;
// Segments of the clip; past this a combined clip is replaced by its bounding box, since
// combining shapes costs up to the square of their segments, crossings with themselves
// included.
inline constexpr int kMaxClipElements = 512;
// Segments in the path being recorded.
inline constexpr int kMaxPathElements = 100'000;
// Work of one playback, in units of about a tenth of a microsecond: each record and dash, each
// path segment on each pixel row it spans, 64 pixels filled or copied, each pair of segments a
// clip combines. Past it the playback stops and what was drawn stays: about a tenth of a
// second, where real drawings take a small part of it.
inline constexpr int64_t kMaxWork = 1'000'000;
inline constexpr int64_t kPixelsPerUnit = 64;
// The work of each dash of an outline reaching far past the part shown, which is stroked
// whole and then cut to that part.
inline constexpr int64_t kFarDashWork = 32;
// A picture's side in pixels at 96 dpi, beyond which the natural size is clamped.
inline constexpr int kMaxNaturalSide = 16'384;

} // namespace metafile::limits
