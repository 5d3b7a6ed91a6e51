#pragma once

#include "base/result.h"
#include "metafile/drawing/bytereader.h"
#include "metafile/drawing/canvas.h"
#include "metafile/drawing/skip.h"

#include <QImage>

#include <optional>

namespace metafile::wmf {

// The records of one playback, one handler a record type: each reads its record's parameters
// and draws on the canvas, and says why when it skips the record.
class Player
{
public:
    explicit Player(Canvas &canvas) : m_c(canvas) {}
    // The one switch from a record's function to its handler.
    Status record(uint16_t function, ByteReader &p);

private:
    // state.cpp: the device context's settings, its saved copies and the current position.
    Status setBkColor(ByteReader &p);
    Status setTextColor(ByteReader &p);
    Status setBkMode(ByteReader &p);
    Status setRop2(ByteReader &p);
    Status setPolyFillMode(ByteReader &p);
    Status setTextAlign(ByteReader &p);
    Status setTextCharExtra(ByteReader &p);
    Status saveDc();
    Status restoreDc(ByteReader &p);
    Status moveTo(ByteReader &p);

    // mapping.cpp: the mapping mode and the window logical units are given in.
    Status setMapMode(ByteReader &p);
    Status setWindowOrg(ByteReader &p);
    Status setWindowExt(ByteReader &p);
    Status offsetWindowOrg(ByteReader &p);
    Status scaleWindowExt(ByteReader &p);

    // objects.cpp: pens, brushes, fonts, palettes and regions in the object table.
    Status createPenIndirect(ByteReader &p);
    Status createBrushIndirect(ByteReader &p);
    Status createFontIndirect(ByteReader &p);
    Status createPalette(ByteReader &p);
    Status createPatternBrush(ByteReader &p);
    Status dibCreatePatternBrush(ByteReader &p);
    Status createRegion(ByteReader &p);
    Status selectObject(ByteReader &p);
    Status selectPalette(ByteReader &p);
    Status deleteObject(ByteReader &p);
    Status createObject(GdiObject object);
    // A pattern brush of image; without one, a null brush that still takes its slot.
    Status createPattern(const ByteReader &p, const Result<QImage> &image, bool monochrome);

    // shapes.cpp: lines, rectangles, arcs, polygons and pixels.
    Status lineTo(ByteReader &p);
    Status rectangle(ByteReader &p);
    Status ellipse(ByteReader &p);
    Status roundRect(ByteReader &p);
    // Arc, Pie and Chord: one record layout, three kinds of drawing.
    Status arc(ByteReader &p, Canvas::ArcKind kind);
    Status polygon(ByteReader &p);
    Status polyline(ByteReader &p);
    Status polyPolygon(ByteReader &p);
    Status setPixel(ByteReader &p);

    // regions.cpp: the clip, and region objects filled, framed or inverted.
    Status selectClipRegion(ByteReader &p);
    Status intersectClipRect(ByteReader &p);
    Status excludeClipRect(ByteReader &p);
    Status offsetClipRgn(ByteReader &p);
    Status fillRegion(ByteReader &p);
    Status frameRegion(ByteReader &p);
    Status paintRegion(ByteReader &p);
    Status invertRegion(ByteReader &p);
    const Region *region(uint16_t index) const;
    const Brush *brush(uint16_t index) const;

    // text.cpp
    Status textOut(ByteReader &p);
    Status extTextOut(ByteReader &p);

    // bitmaps.cpp: the blit records, with a 16-bit bitmap, a packed DIB (dib), or none.
    Status patBlt(ByteReader &p);
    Status bitBlt(ByteReader &p, bool dib);
    Status stretchBlt(ByteReader &p, bool dib);
    Status stretchDib(ByteReader &p);
    Status setDibToDev(ByteReader &p);
    Result<QImage> packedDib(ByteReader &p, uint16_t usage);
    // The bitmap a BitBlt or StretchBlt record carries, a DIB or an old one, into b.
    Status blitBitmap(ByteReader &p, bool dib, Blit &b);

    Canvas &m_c;
};

} // namespace metafile::wmf
