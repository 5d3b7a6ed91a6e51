// The mapping mode, the window and viewport, and the world transform: how logical units reach
// the page.
#include "metafile/emf/handlers.h"

namespace metafile::emf {

Status Player::setMapMode(ByteReader &p)
{
    m_c.dc().mapMode = int(p.u32());
    m_c.mappingChanged();
    return complete(p);
}

Status Player::setExtEx(ByteReader &p, bool window)
{
    const QPointF ext = readPointl(p);
    if (!p.ok() || ext.x() == 0 || ext.y() == 0)
        return complete(p, false, "empty extent");
    DeviceContext &dc = m_c.dc();
    (window ? dc.windowExt : dc.viewportExt) = QSizeF(ext.x(), ext.y());
    m_c.mappingChanged();
    return Done{};
}

Status Player::setOrgEx(ByteReader &p, bool window)
{
    DeviceContext &dc = m_c.dc();
    (window ? dc.windowOrg : dc.viewportOrg) = readPointl(p);
    m_c.mappingChanged();
    return complete(p);
}

Status Player::scaleExtEx(ByteReader &p, bool window)
{
    const double xNum = p.i32(), xDenom = p.i32(), yNum = p.i32(), yDenom = p.i32();
    if (xNum == 0 || xDenom == 0 || yNum == 0 || yDenom == 0)
        return complete(p, false, "zero in a scale");
    QSizeF &ext = window ? m_c.dc().windowExt : m_c.dc().viewportExt;
    ext = QSizeF(ext.width() * xNum / xDenom, ext.height() * yNum / yDenom);
    m_c.mappingChanged();
    return Done{};
}

Status Player::setWorldTransform(ByteReader &p)
{
    const auto xf = readXform(p);
    if (!xf)
        return xf.error();
    m_c.dc().world = *xf;
    m_c.mappingChanged();
    return Done{};
}

Status Player::modifyWorldTransform(ByteReader &p)
{
    const auto xf = readXform(p);
    const uint32_t mode = p.u32();
    if (!xf)
        return xf.error();
    if (!p.ok())
        return skip("cut short");
    QTransform &world = m_c.dc().world;
    if (mode == 1)
        world = QTransform();
    else if (mode == 2)
        world = *xf * world;
    else if (mode == 3)
        world = world * *xf;
    else if (mode == 4)
        world = *xf;
    m_c.mappingChanged();
    return complete(p, mode >= 1 && mode <= 4, "unknown mode");
}

} // namespace metafile::emf
