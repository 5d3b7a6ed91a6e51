#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The built-in pictures are SVG sources embedded in the executable; each is rendered at the
// logical size it is drawn for, times the device-pixel ratio, so it stays sharp on any screen.
namespace artwork {

inline constexpr const char *kBus = ":/artwork/bus.svg";
inline constexpr const char *kDoorway = ":/artwork/doorway.svg";
inline constexpr const char *kMiddleLeaf = ":/artwork/middleleaf.svg";
inline constexpr const char *kFrontLeaf1 = ":/artwork/frontleaf1.svg";
inline constexpr const char *kFrontLeaf2 = ":/artwork/frontleaf2.svg";
inline constexpr const char *kSignPlaceholder = ":/artwork/signplaceholder.svg";
inline constexpr const char *kIcon = ":/artwork/icon.svg";
inline constexpr const char *kFrontDoorButton = ":/artwork/frontdoorbutton.svg";
inline constexpr const char *kMiddleDoorButton = ":/artwork/middledoorbutton.svg";

// Renders the picture at its own logical size (the SVG's width and height).
QPixmap render(const QString &resource, qreal devicePixelRatio);
// The picture as an icon, sharp at one and two device pixels per logical pixel.
QIcon icon(const QString &resource);
// The logical size the picture is drawn for.
QSize naturalSize(const QString &resource);

} // namespace artwork
