#pragma once

#include "metafile/drawing/gdiobjects.h"

#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <QTransform>

#include <optional>

namespace metafile {

namespace mapmode {
inline constexpr int kText = 1, kLoMetric = 2, kHiMetric = 3, kLoEnglish = 4, kHiEnglish = 5;
inline constexpr int kTwips = 6, kIsotropic = 7, kAnisotropic = 8;
} // namespace mapmode

namespace textalign {
inline constexpr uint32_t kUpdateCp = 1, kRight = 2, kCenter = 6, kHorizontalMask = 6;
inline constexpr uint32_t kBottom = 8, kBaseline = 24, kVerticalMask = 24;
} // namespace textalign

// Where the page's device units lie: an EMF's reference device, or the rectangle a WMF's
// window is drawn into when the file does not say otherwise.
struct PageSpace
{
    bool windowOnly = false;
    // For a WMF: the window the picture starts with, in logical units.
    QRectF reference;
    // For an EMF: device pixels per millimetre of the reference device.
    double pixelsPerMmX = 96 / 25.4;
    double pixelsPerMmY = 96 / 25.4;
};

// The drawing state that a save pushes and a restore pops.
struct DeviceContext
{
    int mapMode = mapmode::kText;
    QPointF windowOrg;
    QSizeF windowExt{1, 1};
    QPointF viewportOrg;
    QSizeF viewportExt{1, 1};
    QTransform world;

    Pen pen;
    Brush brush;
    Font font;
    Palette palette;
    // The serial numbers of the selected pen, brush and font in the object table.
    uint64_t penSerial = 0, brushSerial = 0, fontSerial = 0;

    ColorRef textColor;
    ColorRef bkColor = ColorRef::fromRgb(255, 255, 255);
    bool bkOpaque = true;
    uint32_t textAlign = 0;
    bool winding = false;
    int rop2 = 13;
    bool clockwise = false;
    double miterLimit = 10;
    int textCharExtra = 0;
    // GM_COMPATIBLE, the graphics mode a WMF plays in: a rectangle leaves out the right and
    // bottom edges of its box. An EMF plays in the advanced mode, where a rectangle takes
    // them in; ellipses, rounded rectangles and arcs leave them out in both.
    bool compatibleMode = false;
    QPointF position;
    QPointF brushOrigin;
    // In the painter's coordinates; nullopt draws everywhere.
    std::optional<QPainterPath> clip;

    // Logical units to the page's device units.
    QTransform pageTransform(const PageSpace &space) const;
};

} // namespace metafile
