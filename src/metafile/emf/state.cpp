// The device context's settings, its saved copies and the current position.
#include "metafile/emf/handlers.h"

namespace metafile::emf {

Status Player::setBkMode(ByteReader &p)
{
    m_c.dc().bkOpaque = p.u32() == 2;
    return complete(p);
}

Status Player::setPolyFillMode(ByteReader &p)
{
    m_c.dc().winding = p.u32() == 2;
    return complete(p);
}

Status Player::setRop2(ByteReader &p)
{
    m_c.dc().rop2 = int(p.u32() & 0xFF);
    return complete(p);
}

Status Player::setTextAlign(ByteReader &p)
{
    m_c.dc().textAlign = p.u32();
    return complete(p);
}

Status Player::setTextColor(ByteReader &p)
{
    m_c.dc().textColor = {p.u32()};
    return complete(p);
}

Status Player::setBkColor(ByteReader &p)
{
    m_c.dc().bkColor = {p.u32()};
    return complete(p);
}

Status Player::setArcDirection(ByteReader &p)
{
    m_c.dc().clockwise = p.u32() == 2;
    return complete(p);
}

Status Player::setMiterLimit(ByteReader &p)
{
    const uint32_t limit = p.u32();
    const bool usable = limit >= 1 && limit <= 1000;
    if (usable)
        m_c.dc().miterLimit = limit;
    return complete(p, usable, "limit out of range");
}

Status Player::setBrushOrgEx(ByteReader &p)
{
    m_c.dc().brushOrigin = readPointl(p);
    return complete(p);
}

Status Player::moveToEx(ByteReader &p)
{
    const QPointF at = readPointl(p);
    if (p.ok())
        m_c.moveTo(at);
    return complete(p);
}

Status Player::saveDc()
{
    m_c.save();
    return Done{};
}

Status Player::restoreDc(ByteReader &p)
{
    m_c.restore(p.i32());
    return complete(p);
}

} // namespace metafile::emf
