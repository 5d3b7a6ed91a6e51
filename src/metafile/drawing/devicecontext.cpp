#include "metafile/drawing/devicecontext.h"

#include <cmath>

namespace metafile {

namespace {

double nonZero(double v)
{
    return v == 0 || !std::isfinite(v) ? 1.0 : v;
}

// Millimetres per logical unit of the metric and imperial mapping modes.
double unitMm(int mode)
{
    switch (mode) {
    case mapmode::kLoMetric:
        return 0.1;
    case mapmode::kHiMetric:
        return 0.01;
    case mapmode::kLoEnglish:
        return 0.254;
    case mapmode::kHiEnglish:
        return 0.0254;
    case mapmode::kTwips:
        return 25.4 / 1440;
    default:
        return 0;
    }
}

} // namespace

QTransform DeviceContext::pageTransform(const PageSpace &space) const
{
    double sx = 1, sy = 1;
    QPointF vOrg = viewportOrg;
    if (space.windowOnly) {
        // A WMF has no device of its own: its window maps onto the reference rectangle,
        // whatever mapping mode it names, as players put it on the picture's frame.
        sx = space.reference.width() / nonZero(windowExt.width());
        sy = space.reference.height() / nonZero(windowExt.height());
        if (mapMode == mapmode::kIsotropic) {
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
        vOrg = space.reference.topLeft();
    } else if (double mm = unitMm(mapMode); mm > 0) {
        sx = space.pixelsPerMmX * mm;
        sy = -space.pixelsPerMmY * mm;
    } else if (mapMode == mapmode::kIsotropic || mapMode == mapmode::kAnisotropic) {
        sx = nonZero(viewportExt.width()) / nonZero(windowExt.width());
        sy = nonZero(viewportExt.height()) / nonZero(windowExt.height());
        if (mapMode == mapmode::kIsotropic) {
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
    }
    // device = (logical - windowOrg) * scale + viewportOrg
    return QTransform(sx, 0, 0, sy, vOrg.x() - windowOrg.x() * sx, vOrg.y() - windowOrg.y() * sy);
}

} // namespace metafile
