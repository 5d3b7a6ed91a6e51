// The clip, and regions filled, framed or inverted; an EMF's regions are in device units.
#include "metafile/drawing/regiondata.h"
#include "metafile/emf/handlers.h"

namespace metafile::emf {

namespace {

// The region data of size bytes that ends a region record, or why it cannot be read.
Result<QRegion> readRegion(const ByteReader &p, uint32_t size)
{
    if (!p.ok())
        return skip("cut short");
    if (size > uint64_t(p.remaining()))
        return skip("region past the record");
    return readEmfRegion(p.rest().first(size));
}

} // namespace

Status Player::intersectClipRect(ByteReader &p)
{
    const QRectF box = readRectl(p);
    if (p.ok())
        m_c.intersectClip(box);
    return complete(p);
}

Status Player::excludeClipRect(ByteReader &p)
{
    const QRectF box = readRectl(p);
    if (p.ok())
        m_c.excludeClip(box);
    return complete(p);
}

Status Player::offsetClipRgn(ByteReader &p)
{
    const QPointF by = readPointl(p);
    if (p.ok())
        m_c.offsetClip(by);
    return complete(p);
}

Status Player::extSelectClipRgn(ByteReader &p)
{
    const uint32_t size = p.u32();
    const int mode = int(p.u32());
    // No region data: the clip goes back to everything.
    if (p.ok() && size == 0) {
        m_c.selectClip(std::nullopt, false, mode);
        return Done{};
    }
    const Result<QRegion> rgn = readRegion(p, size);
    if (!rgn)
        return rgn.error();
    m_c.selectClip(*rgn, false, mode);
    return Done{};
}

Status Player::fillRgn(ByteReader &p)
{
    p.skip(16);
    const uint32_t size = p.u32();
    const GdiObject *o = object(p.u32());
    const Brush *b = o ? std::get_if<Brush>(o) : nullptr;
    const Result<QRegion> rgn = readRegion(p, size);
    if (!rgn)
        return rgn.error();
    if (!b)
        return skip("bad object index");
    m_c.fillRegion(*rgn, true, *b);
    return Done{};
}

Status Player::frameRgn(ByteReader &p)
{
    p.skip(16);
    const uint32_t size = p.u32();
    const GdiObject *o = object(p.u32());
    const Brush *b = o ? std::get_if<Brush>(o) : nullptr;
    const double w = p.i32();
    const QSizeF stroke(w, p.i32());
    const Result<QRegion> rgn = readRegion(p, size);
    if (!rgn)
        return rgn.error();
    if (!b)
        return skip("bad object index");
    m_c.frameRegion(*rgn, true, *b, stroke);
    return Done{};
}

Status Player::paintRgn(ByteReader &p)
{
    p.skip(16);
    const Result<QRegion> rgn = readRegion(p, p.u32());
    if (!rgn)
        return rgn.error();
    m_c.fillRegion(*rgn, true, m_c.dc().brush);
    return Done{};
}

Status Player::invertRgn(ByteReader &p)
{
    p.skip(16);
    const Result<QRegion> rgn = readRegion(p, p.u32());
    if (!rgn)
        return rgn.error();
    m_c.invertRegion(*rgn, true);
    return Done{};
}

} // namespace metafile::emf
