// The canvas's device context, its saved copies, and the mapping of logical units to
// device pixels.
#include "metafile/drawing/canvas.h"

#include "metafile/drawing/cosmeticline.h"
#include "metafile/drawing/limits.h"

#include <QPainter>

#include <cmath>

namespace metafile {

Canvas::Canvas(QPainter &painter, const QTransform &deviceToFinal, const PageSpace &space,
               uint32_t objectSlots, double pixel)
    : m_painter(painter), m_base(painter.transform()), m_deviceToFinal(deviceToFinal),
      m_space(space), m_pixel(pixel > 0 && std::isfinite(pixel) ? pixel : 1.0),
      m_objects(objectSlots), m_budget(limits::kMaxTotalBitmapPixels), m_work(limits::kMaxWork)
{
    const QPaintDevice *device = painter.device();
    if (device && (device->devType() == QInternal::Image || device->devType() == QInternal::Pixmap))
        m_visible = QRectF(0, 0, device->width(), device->height());
    else
        m_visible = QRectF(-1e8, -1e8, 2e8, 2e8);
    if (painter.hasClipping()) {
        m_baseClip = m_base.map(painter.clipPath());
        m_visible &= m_baseClip->boundingRect();
    }
    if (space.windowOnly) {
        m_dc.windowOrg = space.reference.topLeft();
        m_dc.windowExt = space.reference.size();
    }
    m_painter.save();
    // Lines, shapes and fills are drawn pixel for pixel, without smoothing; only text is.
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    mappingChanged();
}

Canvas::~Canvas()
{
    m_painter.restore();
}

void Canvas::mappingChanged()
{
    m_toFinal = m_dc.world * m_dc.pageTransform(m_space) * m_deviceToFinal;
}

void Canvas::save()
{
    if (m_saved.size() < limits::kMaxSavedStates)
        m_saved.append(m_dc);
}

void Canvas::restore(int which)
{
    const qsizetype count = m_saved.size();
    qsizetype keep;
    if (which < 0) {
        if (-int64_t(which) > count)
            return;
        keep = count + which;
    } else {
        if (which == 0 || which > count)
            return;
        keep = which - 1;
    }
    const DeviceContext current = m_dc;
    m_dc = m_saved[keep];
    m_saved.resize(keep);
    // An object deleted since the state was saved cannot be selected again: the one
    // selected now stays.
    if (!m_objects.alive(m_dc.penSerial)) {
        m_dc.pen = current.pen;
        m_dc.penSerial = current.penSerial;
    }
    if (!m_objects.alive(m_dc.brushSerial)) {
        m_dc.brush = current.brush;
        m_dc.brushSerial = current.brushSerial;
    }
    if (!m_objects.alive(m_dc.fontSerial)) {
        m_dc.font = current.font;
        m_dc.fontSerial = current.fontSerial;
    }
    m_clipDirty = true;
    mappingChanged();
}

void Canvas::select(const GdiObject &object)
{
    const uint64_t serial = m_objects.serialOf(&object);
    if (const auto *p = std::get_if<Pen>(&object)) {
        m_dc.pen = *p;
        m_dc.penSerial = serial;
    } else if (const auto *b = std::get_if<Brush>(&object)) {
        m_dc.brush = *b;
        m_dc.brushSerial = serial;
    } else if (const auto *f = std::get_if<Font>(&object)) {
        m_dc.font = *f;
        m_dc.fontSerial = serial;
    } else if (const auto *pal = std::get_if<Palette>(&object)) {
        m_dc.palette = *pal;
    } else if (const auto *r = std::get_if<Region>(&object)) {
        selectClip(r->region, true, clipmode::kCopy);
    }
}

QColor Canvas::color(ColorRef ref) const
{
    // A flags byte of 1 makes the low word an index into the selected palette.
    if ((ref.value >> 24) == 1) {
        const uint32_t index = ref.value & 0xFFFF;
        return index < uint32_t(m_dc.palette.entries.size())
                   ? QColor::fromRgb(m_dc.palette.entries[index])
                   : QColor(Qt::black);
    }
    return QColor(int(ref.value & 0xFF), int((ref.value >> 8) & 0xFF),
                  int((ref.value >> 16) & 0xFF));
}

bool Canvas::worthDrawing(const QRectF &bounds, int64_t elements)
{
    charge(1 + elements);
    const QRectF shown = bounds.intersected(m_visible);
    if (shown.isEmpty() || exhausted())
        return false;
    // The rasteriser visits every edge on every row it spans, and fills the rows between.
    charge(elements * int64_t(std::ceil(shown.height())) +
           int64_t(shown.width() * shown.height()) / limits::kPixelsPerUnit);
    return !exhausted();
}

double Canvas::devicePixel() const
{
    return std::max(1.0, std::round(m_pixel * std::hypot(m_base.m11(), m_base.m12())));
}

QPointF Canvas::onPixel(QPointF device)
{
    return nearestPixel(device);
}

QPainterPath Canvas::onPixels(const QPainterPath &final) const
{
    QPainterPath device = m_base.map(final);
    for (int i = 0; i < device.elementCount(); ++i) {
        const QPointF p = onPixel(device.elementAt(i));
        device.setElementPositionAt(i, p.x(), p.y());
    }
    return device;
}

std::optional<QRectF> Canvas::deviceBox(const QRectF &logical, bool withEdges) const
{
    const QTransform toDevice = m_toFinal * m_base;
    if (toDevice.m12() != 0 || toDevice.m21() != 0 || m_recording)
        return std::nullopt;
    QRectF box = toDevice.mapRect(logical.normalized());
    box = QRectF(onPixel(box.topLeft()), onPixel(box.bottomRight()));
    if (!withEdges) {
        box.setRight(std::max(box.left(), box.right() - devicePixel()));
        box.setBottom(std::max(box.top(), box.bottom() - devicePixel()));
    }
    return box;
}

} // namespace metafile
