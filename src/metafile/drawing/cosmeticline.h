#pragma once

#include <QList>
#include <QPolygonF>
#include <QRect>

#include <cmath>

namespace metafile {

// The pixels of one-pixel lines as GDI lays them: each segment steps along its longer axis
// from its first point, rounding the other coordinate, and leaves out its last point, so the
// corners of a polyline are drawn once and a closed figure's start by its closing segment.
struct LinePixels
{
    // Runs of pixels under the dashes of the pen, and under the gaps between them.
    QList<QRect> ink;
    QList<QRect> gaps;
};

// The whole pixel nearest a point in device pixels, a half going up, as GDI rounds points.
inline QPointF nearestPixel(QPointF p)
{
    return QPointF(std::floor(p.x() + 0.5), std::floor(p.y() + 0.5));
}

// points are in device pixels, each put on the nearest whole pixel. dashes holds the lengths
// in pixels of dash and gap in turn; empty draws solid. The pattern runs on from one segment
// to the next. Only pixels inside visible are produced, and the work is in proportion to
// them, however long the line.
LinePixels cosmeticLine(const QPolygonF &points, const QList<int> &dashes, const QRect &visible);

} // namespace metafile
