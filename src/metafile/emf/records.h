#pragma once

#include "base/result.h"

#include <QString>

#include <cstdint>

// Record types of the enhanced metafile format, numbered as the format itself numbers them. The
// one list makes both the constants (rec::kPolygon16) and the names that skip reasons give
// (EMR_POLYGON16).
// clang-format off
#define POTERO_EMF_RECORDS(X)                                                                      \
    X(Header, 1) X(PolyBezier, 2) X(Polygon, 3) X(Polyline, 4) X(PolyBezierTo, 5)                  \
    X(PolylineTo, 6) X(PolyPolyline, 7) X(PolyPolygon, 8) X(SetWindowExtEx, 9)                     \
    X(SetWindowOrgEx, 10) X(SetViewportExtEx, 11) X(SetViewportOrgEx, 12) X(SetBrushOrgEx, 13)     \
    X(Eof, 14) X(SetPixelV, 15) X(SetMapperFlags, 16) X(SetMapMode, 17) X(SetBkMode, 18)           \
    X(SetPolyFillMode, 19) X(SetRop2, 20) X(SetStretchBltMode, 21) X(SetTextAlign, 22)             \
    X(SetTextColor, 24) X(SetBkColor, 25) X(OffsetClipRgn, 26) X(MoveToEx, 27)                     \
    X(ExcludeClipRect, 29) X(IntersectClipRect, 30) X(ScaleViewportExtEx, 31)                      \
    X(ScaleWindowExtEx, 32) X(SaveDc, 33) X(RestoreDc, 34) X(SetWorldTransform, 35)                \
    X(ModifyWorldTransform, 36) X(SelectObject, 37) X(CreatePen, 38) X(CreateBrushIndirect, 39)    \
    X(DeleteObject, 40) X(AngleArc, 41) X(Ellipse, 42) X(Rectangle, 43) X(RoundRect, 44)           \
    X(Arc, 45) X(Chord, 46) X(Pie, 47) X(SelectPalette, 48) X(CreatePalette, 49)                   \
    X(SetPaletteEntries, 50) X(ResizePalette, 51) X(RealizePalette, 52) X(ExtFloodFill, 53)        \
    X(LineTo, 54) X(ArcTo, 55) X(PolyDraw, 56) X(SetArcDirection, 57) X(SetMiterLimit, 58)         \
    X(BeginPath, 59) X(EndPath, 60) X(CloseFigure, 61) X(FillPath, 62) X(StrokeAndFillPath, 63)    \
    X(StrokePath, 64) X(FlattenPath, 65) X(WidenPath, 66) X(SelectClipPath, 67) X(AbortPath, 68)   \
    X(GdiComment, 70) X(FillRgn, 71) X(FrameRgn, 72) X(InvertRgn, 73) X(PaintRgn, 74)              \
    X(ExtSelectClipRgn, 75) X(BitBlt, 76) X(StretchBlt, 77) X(MaskBlt, 78) X(PlgBlt, 79)           \
    X(SetDiBitsToDevice, 80) X(StretchDiBits, 81) X(ExtCreateFontIndirectW, 82)                    \
    X(ExtTextOutA, 83) X(ExtTextOutW, 84) X(PolyBezier16, 85) X(Polygon16, 86) X(Polyline16, 87)   \
    X(PolyBezierTo16, 88) X(PolylineTo16, 89) X(PolyPolyline16, 90) X(PolyPolygon16, 91)           \
    X(PolyDraw16, 92) X(CreateMonoBrush, 93) X(CreateDibPatternBrushPt, 94) X(ExtCreatePen, 95)    \
    X(PolyTextOutA, 96) X(PolyTextOutW, 97) X(SetIcmMode, 98) X(SmallTextOut, 108)                 \
    X(AlphaBlend, 114) X(SetLayout, 115) X(TransparentBlt, 116) X(GradientFill, 118)
// clang-format on

namespace metafile::emf {

namespace rec {
enum : uint32_t
{
#define POTERO_EMF_CONSTANT(name, number) k##name = number,
    POTERO_EMF_RECORDS(POTERO_EMF_CONSTANT)
#undef POTERO_EMF_CONSTANT
};
} // namespace rec

// Why the record at offset in the file was skipped or ended the playback, named as the format
// names it: "EMR_POLYGON16: points past the record", with the type as its code.
Error recordError(uint32_t type, qsizetype offset, const QString &why);

} // namespace metafile::emf
