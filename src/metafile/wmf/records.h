#pragma once

#include "base/result.h"

#include <QString>

#include <cstdint>

// Record functions of the Windows metafile format, numbered as the format itself numbers them.
// The one list makes both the constants (fn::kSetBkColor) and the names that skip reasons give
// (META_SETBKCOLOR).
// clang-format off
#define POTERO_WMF_RECORDS(X)                                                                      \
    X(Eof, 0x0000) X(SaveDc, 0x001E) X(RealizePalette, 0x0035) X(SetPalEntries, 0x0037)            \
    X(CreatePalette, 0x00F7) X(SetBkMode, 0x0102) X(SetMapMode, 0x0103) X(SetRop2, 0x0104)         \
    X(SetRelAbs, 0x0105) X(SetPolyFillMode, 0x0106) X(SetStretchBltMode, 0x0107)                   \
    X(SetTextCharExtra, 0x0108) X(RestoreDc, 0x0127) X(InvertRegion, 0x012A)                       \
    X(PaintRegion, 0x012B) X(SelectClipRegion, 0x012C) X(SelectObject, 0x012D)                     \
    X(SetTextAlign, 0x012E) X(ResizePalette, 0x0139) X(DibCreatePatternBrush, 0x0142)              \
    X(SetLayout, 0x0149) X(DeleteObject, 0x01F0) X(CreatePatternBrush, 0x01F9)                     \
    X(SetBkColor, 0x0201) X(SetTextColor, 0x0209) X(SetTextJustification, 0x020A)                  \
    X(SetWindowOrg, 0x020B) X(SetWindowExt, 0x020C) X(SetViewportOrg, 0x020D)                      \
    X(SetViewportExt, 0x020E) X(OffsetWindowOrg, 0x020F) X(OffsetViewportOrg, 0x0211)              \
    X(LineTo, 0x0213) X(MoveTo, 0x0214) X(OffsetClipRgn, 0x0220) X(FillRegion, 0x0228)             \
    X(SetMapperFlags, 0x0231) X(SelectPalette, 0x0234) X(CreatePenIndirect, 0x02FA)                \
    X(CreateFontIndirect, 0x02FB) X(CreateBrushIndirect, 0x02FC) X(Polygon, 0x0324)                \
    X(Polyline, 0x0325) X(ScaleWindowExt, 0x0410) X(ScaleViewportExt, 0x0412)                      \
    X(ExcludeClipRect, 0x0415) X(IntersectClipRect, 0x0416) X(Ellipse, 0x0418)                     \
    X(FloodFill, 0x0419) X(Rectangle, 0x041B) X(SetPixel, 0x041F) X(FrameRegion, 0x0429)           \
    X(AnimatePalette, 0x0436) X(TextOut, 0x0521) X(PolyPolygon, 0x0538) X(ExtFloodFill, 0x0548)    \
    X(RoundRect, 0x061C) X(PatBlt, 0x061D) X(Escape, 0x0626) X(CreateRegion, 0x06FF)               \
    X(Arc, 0x0817) X(Pie, 0x081A) X(Chord, 0x0830) X(BitBlt, 0x0922) X(DibBitBlt, 0x0940)          \
    X(ExtTextOut, 0x0A32) X(StretchBlt, 0x0B23) X(DibStretchBlt, 0x0B41) X(SetDibToDev, 0x0D33)    \
    X(StretchDib, 0x0F43)
// clang-format on

namespace metafile::wmf {

namespace fn {
#define POTERO_WMF_CONSTANT(name, number) inline constexpr uint16_t k##name = number;
POTERO_WMF_RECORDS(POTERO_WMF_CONSTANT)
#undef POTERO_WMF_CONSTANT
} // namespace fn

// Why the record at offset in the file was skipped or ended the playback, named as the format
// names it: "META_SELECTOBJECT: bad object index", with the function as its code.
Error recordError(uint16_t function, qsizetype offset, const QString &why);

} // namespace metafile::wmf
