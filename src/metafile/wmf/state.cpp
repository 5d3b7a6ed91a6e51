// The device context's settings, its saved copies and the current position.
#include "metafile/wmf/fields.h"
#include "metafile/wmf/handlers.h"

namespace metafile::wmf {

Status Player::setBkColor(ByteReader &p)
{
    m_c.dc().bkColor = readColor(p);
    return complete(p);
}

Status Player::setTextColor(ByteReader &p)
{
    m_c.dc().textColor = readColor(p);
    return complete(p);
}

Status Player::setBkMode(ByteReader &p)
{
    m_c.dc().bkOpaque = p.u16() == 2;
    return complete(p);
}

Status Player::setRop2(ByteReader &p)
{
    m_c.dc().rop2 = p.u16();
    return complete(p);
}

Status Player::setPolyFillMode(ByteReader &p)
{
    m_c.dc().winding = p.u16() == 2;
    return complete(p);
}

Status Player::setTextAlign(ByteReader &p)
{
    m_c.dc().textAlign = p.u16();
    return complete(p);
}

Status Player::setTextCharExtra(ByteReader &p)
{
    m_c.dc().textCharExtra = p.i16();
    return complete(p);
}

Status Player::saveDc()
{
    m_c.save();
    return Done{};
}

Status Player::restoreDc(ByteReader &p)
{
    m_c.restore(p.i16());
    return complete(p);
}

Status Player::moveTo(ByteReader &p)
{
    const QPointF at = readYX(p);
    if (p.ok())
        m_c.moveTo(at);
    return complete(p);
}

} // namespace metafile::wmf
