// The poly records: points after the record's bounds, 32-bit or, in the small records, 16-bit.
#include "metafile/emf/handlers.h"

namespace metafile::emf {

Status Player::polyBezier(ByteReader &p, bool small)
{
    const auto [points, read] = readPoly(p, small);
    m_c.polyBezier(points);
    return read;
}

Status Player::polygon(ByteReader &p, bool small)
{
    const auto [points, read] = readPoly(p, small);
    m_c.polygon(points);
    return read;
}

Status Player::polyline(ByteReader &p, bool small)
{
    const auto [points, read] = readPoly(p, small);
    m_c.polyline(points);
    return read;
}

Status Player::polyBezierTo(ByteReader &p, bool small)
{
    const auto [points, read] = readPoly(p, small);
    m_c.polyBezierTo(points);
    return read;
}

Status Player::polylineTo(ByteReader &p, bool small)
{
    const auto [points, read] = readPoly(p, small);
    m_c.polylineTo(points);
    return read;
}

Status Player::polyPolyline(ByteReader &p, bool small)
{
    const auto [lines, read] = readPolygons(p, small);
    if (lines)
        m_c.polyPolyline(*lines);
    return read;
}

Status Player::polyPolygon(ByteReader &p, bool small)
{
    const auto [polygons, read] = readPolygons(p, small);
    if (polygons)
        m_c.polyPolygon(*polygons);
    return read;
}

// Points, then a type byte for each: move, line, Bézier, or a close after one.
Status Player::polyDraw(ByteReader &p, bool small)
{
    p.skip(16);
    const uint32_t count = p.u32();
    const QPolygonF points = readPoints(p, count, small);
    const bool all = points.size() == qsizetype(count) && p.remaining() >= qsizetype(count);
    if (all)
        m_c.polyDraw(points, p.rest().first(count));
    return complete(p, all, "points past the record");
}

} // namespace metafile::emf
