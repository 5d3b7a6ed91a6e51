#pragma once

#include <cstdint>

// Record functions of the Windows metafile format, numbered as the format itself numbers them.
namespace metafile::wmf::fn {

inline constexpr uint16_t kEof = 0x0000, kRealizePalette = 0x0035, kSetPalEntries = 0x0037;
inline constexpr uint16_t kSetBkMode = 0x0102, kSetMapMode = 0x0103, kSetRop2 = 0x0104;
inline constexpr uint16_t kSetRelAbs = 0x0105, kSetPolyFillMode = 0x0106;
inline constexpr uint16_t kSetStretchBltMode = 0x0107, kSetTextCharExtra = 0x0108;
inline constexpr uint16_t kRestoreDc = 0x0127, kInvertRegion = 0x012A, kPaintRegion = 0x012B;
inline constexpr uint16_t kSelectClipRegion = 0x012C, kSelectObject = 0x012D;
inline constexpr uint16_t kSetTextAlign = 0x012E, kResizePalette = 0x0139;
inline constexpr uint16_t kDibCreatePatternBrush = 0x0142, kSetLayout = 0x0149;
inline constexpr uint16_t kDeleteObject = 0x01F0, kCreatePatternBrush = 0x01F9;
inline constexpr uint16_t kSetBkColor = 0x0201, kSetTextColor = 0x0209;
inline constexpr uint16_t kSetTextJustification = 0x020A, kSetWindowOrg = 0x020B;
inline constexpr uint16_t kSetWindowExt = 0x020C, kSetViewportOrg = 0x020D;
inline constexpr uint16_t kSetViewportExt = 0x020E, kOffsetWindowOrg = 0x020F;
inline constexpr uint16_t kOffsetViewportOrg = 0x0211, kLineTo = 0x0213, kMoveTo = 0x0214;
inline constexpr uint16_t kOffsetClipRgn = 0x0220, kFillRegion = 0x0228;
inline constexpr uint16_t kSetMapperFlags = 0x0231, kSelectPalette = 0x0234;
inline constexpr uint16_t kCreatePenIndirect = 0x02FA, kCreateFontIndirect = 0x02FB;
inline constexpr uint16_t kCreateBrushIndirect = 0x02FC, kPolygon = 0x0324;
inline constexpr uint16_t kPolyline = 0x0325, kScaleWindowExt = 0x0410;
inline constexpr uint16_t kScaleViewportExt = 0x0412, kExcludeClipRect = 0x0415;
inline constexpr uint16_t kIntersectClipRect = 0x0416, kEllipse = 0x0418;
inline constexpr uint16_t kFloodFill = 0x0419, kRectangle = 0x041B, kSetPixel = 0x041F;
inline constexpr uint16_t kFrameRegion = 0x0429, kAnimatePalette = 0x0436;
inline constexpr uint16_t kTextOut = 0x0521, kPolyPolygon = 0x0538, kExtFloodFill = 0x0548;
inline constexpr uint16_t kRoundRect = 0x061C, kPatBlt = 0x061D, kEscape = 0x0626;
inline constexpr uint16_t kCreateRegion = 0x06FF, kArc = 0x0817, kPie = 0x081A;
inline constexpr uint16_t kChord = 0x0830, kBitBlt = 0x0922, kDibBitBlt = 0x0940;
inline constexpr uint16_t kExtTextOut = 0x0A32, kStretchBlt = 0x0B23;
inline constexpr uint16_t kDibStretchBlt = 0x0B41, kSetDibToDev = 0x0D33;
inline constexpr uint16_t kStretchDib = 0x0F43, kSaveDc = 0x001E, kCreatePalette = 0x00F7;

} // namespace metafile::wmf::fn
