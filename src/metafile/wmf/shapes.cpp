// Lines, rectangles, arcs, polygons and pixels.
#include "metafile/drawing/limits.h"
#include "metafile/wmf/fields.h"
#include "metafile/wmf/handlers.h"

namespace metafile::wmf {

Status Player::lineTo(ByteReader &p)
{
    const QPointF to = readYX(p);
    if (p.ok())
        m_c.lineTo(to);
    return complete(p);
}

Status Player::rectangle(ByteReader &p)
{
    const QRectF box = readBox(p);
    if (p.ok())
        m_c.rectangle(box);
    return complete(p);
}

Status Player::ellipse(ByteReader &p)
{
    const QRectF box = readBox(p);
    if (p.ok())
        m_c.ellipse(box);
    return complete(p);
}

Status Player::roundRect(ByteReader &p)
{
    const double h = p.i16(), w = p.i16();
    const QRectF box = readBox(p);
    if (p.ok())
        m_c.roundRect(box, QSizeF(w, h));
    return complete(p);
}

Status Player::arc(ByteReader &p, Canvas::ArcKind kind)
{
    const QPointF end = readYX(p), start = readYX(p);
    const QRectF box = readBox(p);
    if (p.ok())
        m_c.arc(kind, box, start, end);
    return complete(p);
}

Status Player::polygon(ByteReader &p)
{
    const qsizetype count = p.i16();
    const QPolygonF points = readPoints(p, count);
    m_c.polygon(points);
    return complete(p, points.size() == count, "points past the record");
}

Status Player::polyline(ByteReader &p)
{
    const qsizetype count = p.i16();
    const QPolygonF points = readPoints(p, count);
    m_c.polyline(points);
    return complete(p, points.size() == count, "points past the record");
}

Status Player::polyPolygon(ByteReader &p)
{
    const int count = p.u16();
    QList<int> sizes;
    int64_t total = 0;
    for (int i = 0; i < count && p.ok(); ++i) {
        sizes.append(p.u16());
        total += sizes.last();
    }
    if (!p.ok() || total > limits::kMaxPoints || total * 4 > p.remaining())
        return complete(p, false,
                        total > limits::kMaxPoints ? "too many points" : "points past the record");
    QList<QPolygonF> polygons;
    for (int size : sizes)
        polygons.append(readPoints(p, size));
    m_c.polyPolygon(polygons);
    return Done{};
}

Status Player::setPixel(ByteReader &p)
{
    const ColorRef c = readColor(p);
    const QPointF at = readYX(p);
    if (p.ok())
        m_c.setPixel(at, c);
    return complete(p);
}

} // namespace metafile::wmf
