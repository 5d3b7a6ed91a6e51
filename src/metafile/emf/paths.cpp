// The path being recorded, and what is done with it: filled, stroked, widened, or made the
// clip.
#include "metafile/emf/handlers.h"

namespace metafile::emf {

Status Player::beginPath()
{
    m_c.beginPath();
    return Done{};
}

Status Player::endPath()
{
    m_c.endPath();
    return Done{};
}

Status Player::abortPath()
{
    m_c.abortPath();
    return Done{};
}

Status Player::closeFigure()
{
    m_c.closeFigure();
    return Done{};
}

Status Player::fillPath()
{
    m_c.fillPath();
    return Done{};
}

Status Player::strokePath()
{
    m_c.strokePath();
    return Done{};
}

Status Player::strokeAndFillPath()
{
    m_c.strokeAndFillPath();
    return Done{};
}

Status Player::widenPath()
{
    m_c.widenPath();
    return Done{};
}

Status Player::selectClipPath(ByteReader &p)
{
    m_c.selectClipPath(int(p.u32()));
    return complete(p);
}

} // namespace metafile::emf
