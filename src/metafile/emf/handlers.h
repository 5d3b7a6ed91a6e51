#pragma once

#include "base/result.h"
#include "metafile/drawing/bytereader.h"
#include "metafile/drawing/canvas.h"
#include "metafile/drawing/skip.h"
#include "metafile/emf/fields.h"

#include <optional>

namespace metafile::emf {

// The records of one playback, one handler a record type: each reads its record's fields and
// draws on the canvas, and says why when it skips the record. Records that differ only in the
// size of their points (small: 16-bit) or their characters (wide: UTF-16), or in whether they
// act on the window or the viewport, share a handler.
class Player
{
public:
    explicit Player(Canvas &canvas) : m_c(canvas) {}
    // The one switch from a record's type to its handler; p starts after the record's header,
    // and offsets inside the record count from its start.
    Status record(uint32_t type, ByteReader &p);

private:
    // state.cpp: the device context's settings, its saved copies and the current position.
    Status setBkMode(ByteReader &p);
    Status setPolyFillMode(ByteReader &p);
    Status setRop2(ByteReader &p);
    Status setTextAlign(ByteReader &p);
    Status setTextColor(ByteReader &p);
    Status setBkColor(ByteReader &p);
    Status setArcDirection(ByteReader &p);
    Status setMiterLimit(ByteReader &p);
    Status setBrushOrgEx(ByteReader &p);
    Status moveToEx(ByteReader &p);
    Status saveDc();
    Status restoreDc(ByteReader &p);

    // mapping.cpp: the mapping mode, window, viewport and world transform.
    Status setMapMode(ByteReader &p);
    Status setExtEx(ByteReader &p, bool window);
    Status setOrgEx(ByteReader &p, bool window);
    Status scaleExtEx(ByteReader &p, bool window);
    Status setWorldTransform(ByteReader &p);
    Status modifyWorldTransform(ByteReader &p);

    // objects.cpp: pens, brushes, fonts and palettes in the object table, and stock objects.
    Status createPen(ByteReader &p);
    Status extCreatePen(ByteReader &p);
    Status createBrushIndirect(ByteReader &p);
    // CreateDibPatternBrushPt, and CreateMonoBrush whose pattern is a mask.
    Status createPatternBrush(ByteReader &p, bool monochrome);
    Status extCreateFontIndirectW(ByteReader &p);
    Status createPalette(ByteReader &p);
    // SelectObject and SelectPalette.
    Status selectObject(ByteReader &p);
    Status deleteObject(ByteReader &p);
    Status putObject(uint32_t index, GdiObject object);
    const GdiObject *object(uint32_t index);

    // shapes.cpp: lines, rectangles, arcs and pixels.
    Status lineTo(ByteReader &p);
    Status rectangle(ByteReader &p);
    Status ellipse(ByteReader &p);
    Status roundRect(ByteReader &p);
    // Arc, ArcTo, Chord and Pie: one record layout, four kinds of drawing.
    Status arc(ByteReader &p, Canvas::ArcKind kind);
    Status angleArc(ByteReader &p);
    Status setPixelV(ByteReader &p);

    // polys.cpp: the poly records.
    Status polyBezier(ByteReader &p, bool small);
    Status polygon(ByteReader &p, bool small);
    Status polyline(ByteReader &p, bool small);
    Status polyBezierTo(ByteReader &p, bool small);
    Status polylineTo(ByteReader &p, bool small);
    Status polyPolyline(ByteReader &p, bool small);
    Status polyPolygon(ByteReader &p, bool small);
    Status polyDraw(ByteReader &p, bool small);

    // paths.cpp: the path being recorded, and what is done with it.
    Status beginPath();
    Status endPath();
    Status abortPath();
    Status closeFigure();
    Status fillPath();
    Status strokePath();
    Status strokeAndFillPath();
    Status widenPath();
    Status selectClipPath(ByteReader &p);

    // regions.cpp: the clip, and regions filled, framed or inverted; in device units.
    Status intersectClipRect(ByteReader &p);
    Status excludeClipRect(ByteReader &p);
    Status offsetClipRgn(ByteReader &p);
    Status extSelectClipRgn(ByteReader &p);
    Status fillRgn(ByteReader &p);
    Status frameRgn(ByteReader &p);
    Status paintRgn(ByteReader &p);
    Status invertRgn(ByteReader &p);

    // text.cpp
    Status extTextOut(ByteReader &p, bool wide);
    Status polyTextOut(ByteReader &p, bool wide);
    Status smallTextOut(ByteReader &p);
    Status textAt(ByteReader &p, bool wide, bool upright);

    // bitmaps.cpp: the blit records and the DIB records.
    // BitBlt, and StretchBlt whose source has a size of its own.
    Status bitBlt(ByteReader &p, bool stretch);
    Status maskBlt(ByteReader &p);
    Status transparentBlt(ByteReader &p);
    Status alphaBlend(ByteReader &p);
    Status stretchDiBits(ByteReader &p);
    Status setDiBitsToDevice(ByteReader &p);
    Status blitDib(const ByteReader &p, Blit b, QPointF src, QSizeF size, const DibPlace &at);
    Result<Dib> dib(const ByteReader &p, const DibPlace &at, bool keepAlpha = false);

    // gradient.cpp
    Status gradientFill(ByteReader &p);

    Canvas &m_c;
    GdiObject m_stock;
};

} // namespace metafile::emf
