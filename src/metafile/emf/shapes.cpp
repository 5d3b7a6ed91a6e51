// Lines, rectangles, arcs and pixels.
#include "metafile/emf/handlers.h"

namespace metafile::emf {

Status Player::lineTo(ByteReader &p)
{
    const QPointF to = readPointl(p);
    if (p.ok())
        m_c.lineTo(to);
    return complete(p);
}

Status Player::rectangle(ByteReader &p)
{
    const QRectF box = readRectl(p);
    if (p.ok())
        m_c.rectangle(box);
    return complete(p);
}

Status Player::ellipse(ByteReader &p)
{
    const QRectF box = readRectl(p);
    if (p.ok())
        m_c.ellipse(box);
    return complete(p);
}

Status Player::roundRect(ByteReader &p)
{
    const QRectF box = readRectl(p);
    const QPointF corner = readPointl(p);
    if (p.ok())
        m_c.roundRect(box, QSizeF(corner.x(), corner.y()));
    return complete(p);
}

Status Player::arc(ByteReader &p, Canvas::ArcKind kind)
{
    const QRectF box = readRectl(p);
    const QPointF start = readPointl(p), end = readPointl(p);
    if (p.ok())
        m_c.arc(kind, box, start, end);
    return complete(p);
}

Status Player::angleArc(ByteReader &p)
{
    const QPointF centre = readPointl(p);
    const double radius = p.u32();
    const double start = p.f32(), sweep = p.f32();
    if (p.ok())
        m_c.angleArc(centre, radius, start, sweep);
    return complete(p);
}

Status Player::setPixelV(ByteReader &p)
{
    const QPointF at = readPointl(p);
    const ColorRef c{p.u32()};
    if (p.ok())
        m_c.setPixel(at, c);
    return complete(p);
}

} // namespace metafile::emf
