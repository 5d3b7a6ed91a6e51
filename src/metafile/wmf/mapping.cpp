// The mapping mode and the window that logical units are given in. The viewport is where the
// player puts the picture, so the file's own viewport records are not played.
#include "metafile/wmf/fields.h"
#include "metafile/wmf/handlers.h"

namespace metafile::wmf {

Status Player::setMapMode(ByteReader &p)
{
    m_c.dc().mapMode = p.u16();
    m_c.mappingChanged();
    return complete(p);
}

Status Player::setWindowOrg(ByteReader &p)
{
    m_c.dc().windowOrg = readYX(p);
    m_c.mappingChanged();
    return complete(p);
}

Status Player::setWindowExt(ByteReader &p)
{
    const QPointF ext = readYX(p);
    const bool usable = ext.x() != 0 && ext.y() != 0;
    if (usable)
        m_c.dc().windowExt = QSizeF(ext.x(), ext.y());
    m_c.mappingChanged();
    return complete(p, usable, "empty extent");
}

Status Player::offsetWindowOrg(ByteReader &p)
{
    m_c.dc().windowOrg += readYX(p);
    m_c.mappingChanged();
    return complete(p);
}

Status Player::scaleWindowExt(ByteReader &p)
{
    const int yDenom = p.i16(), yNum = p.i16(), xDenom = p.i16(), xNum = p.i16();
    const bool usable = yDenom != 0 && xDenom != 0 && yNum != 0 && xNum != 0;
    QSizeF &ext = m_c.dc().windowExt;
    if (usable)
        ext = QSizeF(ext.width() * xNum / xDenom, ext.height() * yNum / yDenom);
    m_c.mappingChanged();
    return complete(p, usable, "zero in a scale");
}

} // namespace metafile::wmf
