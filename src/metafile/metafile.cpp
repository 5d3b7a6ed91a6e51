#include "metafile/metafile.h"

#include "metafile/drawing/canvas.h"
#include "metafile/drawing/limits.h"
#include "metafile/emf/player.h"
#include "metafile/wmf/player.h"
#include "metafile/wmf/walk.h"

#include <QPainter>
#include <QPicture>
#include <QtEndian>

#include <QtMath>

#include <cmath>

namespace metafile {

// How a parsed file is laid onto a target: the rectangle of page device units that fills it.
struct Layout
{
    bool enhanced = false;
    wmf::Header wmfHeader;
    emf::Header emfHeader;
    PageSpace space;
    QRectF reference;
    uint32_t objects = 0;
};

namespace {

constexpr double kDpi = 96;

QSize clampedSize(double width, double height)
{
    auto side = [](double v) {
        return int(std::clamp<double>(std::lround(std::abs(v)), 1, limits::kMaxNaturalSide));
    };
    return QSize(side(width), side(height));
}

Playback playLayout(const QByteArray &data, const Layout &layout, QPainter &painter,
                    const QRectF &target, double pixel)
{
    const QRectF &r = layout.reference;
    if (r.width() == 0 || r.height() == 0 || target.isEmpty())
        return {};
    const QTransform deviceToFinal =
        QTransform::fromTranslate(-r.x(), -r.y()) *
        QTransform::fromScale(target.width() / r.width(), target.height() / r.height()) *
        QTransform::fromTranslate(target.x(), target.y());
    Canvas canvas(painter, deviceToFinal, layout.space, layout.objects, pixel);
    if (layout.enhanced)
        return emf::play(data, layout.emfHeader, canvas);
    return wmf::play(data, layout.wmfHeader, canvas);
}

std::optional<QSize> layEnhanced(const emf::Header &h, Layout &layout)
{
    layout.enhanced = true;
    layout.emfHeader = h;
    layout.objects = h.handles;
    if (h.devicePixels.width() > 0 && h.devicePixels.height() > 0 &&
        h.deviceMillimetres.width() > 0 && h.deviceMillimetres.height() > 0) {
        layout.space.pixelsPerMmX = double(h.devicePixels.width()) / h.deviceMillimetres.width();
        layout.space.pixelsPerMmY = double(h.devicePixels.height()) / h.deviceMillimetres.height();
    }
    const double fx = layout.space.pixelsPerMmX / 100, fy = layout.space.pixelsPerMmY / 100;
    const QRect f = h.frame;
    // The frame, in hundredths of a millimetre and inclusive of its right and bottom edges,
    // gives the size; a file without one falls back on its bounds in device pixels.
    if (f.right() > f.left() && f.bottom() > f.top()) {
        const double width = double(f.right()) - f.left() + 1;
        const double height = double(f.bottom()) - f.top() + 1;
        layout.reference = QRectF(f.left() * fx, f.top() * fy, width * fx, height * fy);
        return clampedSize(width * kDpi / 2540, height * kDpi / 2540);
    }
    const QRect b = h.bounds;
    if (b.right() < b.left() || b.bottom() < b.top())
        return std::nullopt;
    layout.reference = QRectF(b.left(), b.top(), double(b.right()) - b.left() + 1,
                              double(b.bottom()) - b.top() + 1);
    return clampedSize(layout.reference.width() * kDpi / (layout.space.pixelsPerMmX * 25.4),
                       layout.reference.height() * kDpi / (layout.space.pixelsPerMmY * 25.4));
}

// The bounds of what a picture draws, found by playing it: for one whose records give no area
// (text alone, whose extent only its fonts tell).
std::optional<QRectF> playedBounds(const QByteArray &data, const Layout &layout)
{
    Layout probe = layout;
    probe.reference = QRectF(0, 0, 1, 1);
    probe.space.reference = probe.reference;
    QPicture picture;
    {
        QPainter painter(&picture);
        playLayout(data, probe, painter, probe.reference, 1);
    }
    const QRect bounds = picture.boundingRect();
    if (bounds.isEmpty())
        return std::nullopt;
    return QRectF(bounds);
}

std::optional<QSize> layWindows(const QByteArray &data, const wmf::Header &h, Layout &layout)
{
    layout.wmfHeader = h;
    layout.objects = h.objects;
    layout.space.windowOnly = true;
    if (h.placeable) {
        layout.reference =
            QRectF(h.bounds.left(), h.bounds.top(), h.bounds.width(), h.bounds.height());
        layout.space.reference = layout.reference;
        return clampedSize(h.bounds.width() * kDpi / h.unitsPerInch,
                           h.bounds.height() * kDpi / h.unitsPerInch);
    }
    // Without a placeable header the window's extent is the size, taken as pixels at 96 dpi.
    if (const auto window = wmf::initialWindow(data, h)) {
        layout.reference = *window;
        layout.space.reference = *window;
        return clampedSize(window->width(), window->height());
    }
    // A plain WMF that sets no window: the bounds of what it draws, read off its records where
    // they give an area, so that it is not played twice.
    auto bounds = wmf::drawnBounds(data, h);
    if (!bounds)
        bounds = playedBounds(data, layout);
    if (!bounds)
        return std::nullopt;
    layout.reference = *bounds;
    layout.space.reference = QRectF(0, 0, 1, 1);
    return clampedSize(bounds->width(), bounds->height());
}

} // namespace

Result<Metafile> Metafile::fromData(const QByteArray &data)
{
    auto layout = std::make_shared<Layout>();
    std::optional<QSize> size;
    if (const auto emfHeader = emf::readHeader(data)) {
        size = layEnhanced(*emfHeader, *layout);
        if (!size)
            return Error{QStringLiteral("EMF header: no frame and no bounds"), 0};
    } else if (const auto wmfHeader = wmf::readHeader(data)) {
        size = layWindows(data, *wmfHeader, *layout);
        if (!size)
            return Error{QStringLiteral("WMF without a window draws nothing"), 0};
    } else {
        // The reason of the format the bytes claim: an EMF begins with its header record.
        return data.size() >= 4 && qFromLittleEndian<quint32>(data.constData()) == 1
                   ? emfHeader.error()
                   : wmfHeader.error();
    }
    Metafile m;
    m.m_data = data;
    m.m_size = *size;
    m.m_layout = std::move(layout);
    return m;
}

QSize Metafile::naturalSize() const
{
    return m_size;
}

bool Metafile::isEnhanced() const
{
    return m_layout && m_layout->enhanced;
}

Playback Metafile::play(QPainter &painter, const QRectF &target) const
{
    if (!m_layout || m_size.isEmpty())
        return {};
    // One pixel of the picture at its natural size, in the target's units.
    const double pixel =
        (std::abs(target.width()) / m_size.width() + std::abs(target.height()) / m_size.height()) /
        2;
    return playLayout(m_data, *m_layout, painter, target, pixel);
}

QImage Metafile::toImage(QSize size) const
{
    return toImage(size, 1.0);
}

QImage Metafile::toImage(QSize size, qreal devicePixelRatio) const
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QSize pixels(qRound(size.width() * ratio), qRound(size.height() * ratio));
    return paint(pixels, ratio, QPointF(0, 0), QSizeF(pixels));
}

QImage Metafile::render(const QRect &part, qreal devicePixelRatio) const
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QRect shown = part & QRect(QPoint(0, 0), m_size);
    const QSize pixels(qCeil(shown.width() * ratio), qCeil(shown.height() * ratio));
    return paint(pixels, ratio, QPointF(shown.topLeft()) * ratio, QSizeF(m_size) * ratio);
}

QImage Metafile::paint(QSize pixels, qreal ratio, QPointF origin, QSizeF picture) const
{
    if (pixels.isEmpty() || int64_t(pixels.width()) * pixels.height() > limits::kMaxBitmapPixels)
        return QImage();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.translate(-origin);
        play(painter, QRectF(QPointF(0, 0), picture));
    }
    image.setDevicePixelRatio(ratio);
    return image;
}

} // namespace metafile
