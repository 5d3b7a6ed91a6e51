#include "base/twips.h"

#include <cmath>

namespace twips {

int toPixels(double value)
{
    return static_cast<int>(std::lround(value / kPerPixel));
}

double fromPixels(int pixels)
{
    return pixels * kPerPixel;
}

QRect toRect(double left, double top, double width, double height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace twips
