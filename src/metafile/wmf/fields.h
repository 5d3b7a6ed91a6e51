#pragma once

#include "metafile/drawing/bytereader.h"
#include "metafile/drawing/dib.h"
#include "metafile/drawing/gdiobjects.h"

#include <QImage>
#include <QPolygonF>
#include <QRectF>

#include <optional>

// The fields many records share, read as the format stores them.
namespace metafile::wmf {

ColorRef readColor(ByteReader &p);

// Most records store their coordinates last to first: y before x, bottom-right before
// top-left.
QPointF readYX(ByteReader &p);
QRectF readBox(ByteReader &p);

// count points of x then y; empty when count is negative or they do not fit the record.
QPolygonF readPoints(ByteReader &p, qsizetype count);

// A device-dependent bitmap of the 16-bit format; only its monochrome and 24-bit forms are
// device-independent enough to draw.
Result<QImage> readBitmap16(ByteReader &p, PixelBudget &budget);

} // namespace metafile::wmf
