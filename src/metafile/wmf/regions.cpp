// The clip, and region objects filled, framed or inverted; a WMF's regions are in logical units.
#include "metafile/wmf/fields.h"
#include "metafile/wmf/handlers.h"

namespace metafile::wmf {

const Region *Player::region(uint16_t index) const
{
    const GdiObject *object = m_c.objects().get(index);
    return object ? std::get_if<Region>(object) : nullptr;
}

const Brush *Player::brush(uint16_t index) const
{
    const GdiObject *object = m_c.objects().get(index);
    return object ? std::get_if<Brush>(object) : nullptr;
}

Status Player::selectClipRegion(ByteReader &p)
{
    const uint16_t index = p.u16();
    const Region *r = region(index);
    // Index 0 with no region there resets the clip, as players of old files expect.
    if (r)
        m_c.selectClip(r->region, true, clipmode::kCopy);
    else
        m_c.selectClip(std::nullopt, true, clipmode::kCopy);
    return complete(p, r || index == 0, "bad object index");
}

Status Player::intersectClipRect(ByteReader &p)
{
    const QRectF box = readBox(p);
    if (p.ok())
        m_c.intersectClip(box);
    return complete(p);
}

Status Player::excludeClipRect(ByteReader &p)
{
    const QRectF box = readBox(p);
    if (p.ok())
        m_c.excludeClip(box);
    return complete(p);
}

Status Player::offsetClipRgn(ByteReader &p)
{
    const QPointF by = readYX(p);
    if (p.ok())
        m_c.offsetClip(by);
    return complete(p);
}

Status Player::fillRegion(ByteReader &p)
{
    const Region *r = region(p.u16());
    const Brush *b = brush(p.u16());
    if (r && b)
        m_c.fillRegion(r->region, true, *b);
    return complete(p, r && b, "bad object index");
}

Status Player::frameRegion(ByteReader &p)
{
    const Region *r = region(p.u16());
    const Brush *b = brush(p.u16());
    const double h = p.i16(), w = p.i16();
    if (r && b)
        m_c.frameRegion(r->region, true, *b, QSizeF(w, h));
    return complete(p, r && b, "bad object index");
}

Status Player::paintRegion(ByteReader &p)
{
    const Region *r = region(p.u16());
    if (r)
        m_c.fillRegion(r->region, true, m_c.dc().brush);
    return complete(p, r, "bad object index");
}

Status Player::invertRegion(ByteReader &p)
{
    const Region *r = region(p.u16());
    if (r)
        m_c.invertRegion(r->region, true);
    return complete(p, r, "bad object index");
}

} // namespace metafile::wmf
