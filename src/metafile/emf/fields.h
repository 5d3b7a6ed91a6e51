#pragma once

#include "base/result.h"
#include "metafile/drawing/bytereader.h"

#include <QList>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>

#include <optional>

// The fields many records share, read as the format stores them.
namespace metafile::emf {

QPointF readPointl(ByteReader &p);
QRectF readRectl(ByteReader &p);
// Fails when the record is cut short, or a factor is not finite or past any real picture's.
Result<QTransform> readXform(ByteReader &p);

// count points of 32-bit or 16-bit (small) coordinates; empty when they do not fit the record.
QPolygonF readPoints(ByteReader &p, uint64_t count, bool small);

// The points that end a poly record, after its bounds and their count, and why not all of
// them could be read.
struct PolyPoints
{
    QPolygonF points;
    Status read;
};
PolyPoints readPoly(ByteReader &p, bool small);

// The polygons that end a poly-polygon record, after its bounds and counts; nullopt, with why,
// when the counts are out of range.
struct Polygons
{
    std::optional<QList<QPolygonF>> list;
    Status read;
};
Polygons readPolygons(ByteReader &p, bool small);

// Where a record keeps its bitmap, by offset from the record's start and size: the info block
// (header and colour table) and the bits; usage 1 makes the colour table palette indices.
struct DibPlace
{
    uint32_t offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0, usage = 0;
};
// The blit records give the usage first, the DIB records last.
DibPlace readDibPlace(ByteReader &p, bool usageFirst);

} // namespace metafile::emf
