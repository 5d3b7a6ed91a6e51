#pragma once

#include <QRect>

// Places and sizes are kept in twips, as the settings file stores them; one logical pixel is
// 15 twips and the device-pixel ratio takes care of denser screens.
namespace twips {

constexpr double kPerPixel = 15.0;

int toPixels(double twips);
double fromPixels(int pixels);
QRect toRect(double left, double top, double width, double height);

} // namespace twips
