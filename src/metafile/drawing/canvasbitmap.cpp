// Bitmaps, raster operations and regions of the canvas.
#include "metafile/drawing/canvas.h"

#include "metafile/drawing/limits.h"
#include "metafile/drawing/ternaryrop.h"

#include <QPainter>

namespace metafile {

namespace {

// Ternary raster operations of the bitmap records (the low word only names the code).
namespace rop {
constexpr uint32_t kSrcPaint = 0x00EE0086, kSrcAnd = 0x008800C6;
constexpr uint32_t kSrcInvert = 0x00660046, kNotSrcCopy = 0x00330008;
constexpr uint32_t kNotSrcErase = 0x001100A6, kMergePaint = 0x00BB0226;
constexpr uint32_t kPatCopy = 0x00F00021, kPatInvert = 0x005A0049, kDstInvert = 0x00550009;
constexpr uint32_t kBlackness = 0x00000042, kWhiteness = 0x00FF0062, kNop = 0x00AA0029;
} // namespace rop

// Black pixels, which leave the destination as it is under OR and XOR, become transparent.
QImage blackToTransparent(const QImage &image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0x00FFFFFF) == 0)
                line[x] = 0;
        }
    }
    return out;
}

QImage inverted(const QImage &image)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    out.invertPixels(QImage::InvertRgb);
    return out;
}

// How a blit's source rectangle lands on its destination: both with positive extents, and
// whether the bitmap is turned round across each axis (a negative extent in one of the two).
struct SourceMapping
{
    QRectF source;
    QRectF dest;
    bool flipX = false;
    bool flipY = false;
};

SourceMapping sourceMapping(const Blit &b)
{
    return {b.source.normalized(), b.dest.normalized(),
            (b.source.width() < 0) != (b.dest.width() < 0),
            (b.source.height() < 0) != (b.dest.height() < 0)};
}

// The operations that fill the destination with no bitmap at all.
bool fillsWithoutSource(uint32_t code)
{
    switch (code) {
    case rop::kBlackness:
    case rop::kWhiteness:
    case rop::kDstInvert:
    case rop::kPatInvert:
    case rop::kPatCopy:
        return true;
    default:
        return false;
    }
}

// What a raster operation combines pixel by pixel: the picture so far, the pattern and the
// bitmap, and the bitmap's column and row each pixel of the part shown takes (-1 for none).
struct Operands
{
    const QImage &backdrop;
    const QImage &pattern;
    const QImage &source;
    bool withSource;
    QRect shown;
    QList<int> columns;
    QList<int> rows;
};

// The part shown, combined by the operation of the given index over white.
QImage combined(uint8_t index, const Operands &o)
{
    const QImage &backdrop = o.backdrop;
    const QRect &shown = o.shown;
    QImage out(shown.size(), QImage::Format_RGB32);
    const bool premultiplied = backdrop.format() == QImage::Format_ARGB32_Premultiplied;
    for (int y = shown.top(); y <= shown.bottom(); ++y) {
        const int sy = o.rows[y - shown.top()];
        const auto *drawnLine = reinterpret_cast<const QRgb *>(backdrop.constScanLine(y));
        const auto *patternLine =
            o.pattern.isNull()
                ? nullptr
                : reinterpret_cast<const QRgb *>(o.pattern.constScanLine(y - shown.top()));
        const auto *sourceLine = o.withSource && sy >= 0 && sy < o.source.height()
                                     ? reinterpret_cast<const QRgb *>(o.source.constScanLine(sy))
                                     : nullptr;
        auto *outLine = reinterpret_cast<QRgb *>(out.scanLine(y - shown.top()));
        for (int x = shown.left(); x <= shown.right(); ++x) {
            // What shows at the pixel: the picture so far over white.
            const QRgb drawn = premultiplied ? drawnLine[x] : backdrop.pixel(x, y);
            const int clear = 255 - qAlpha(drawn);
            const QRgb d = premultiplied ? qRgb(qRed(drawn) + clear, qGreen(drawn) + clear,
                                                qBlue(drawn) + clear)
                                         : qRgb(qRed(drawn) * qAlpha(drawn) / 255 + clear,
                                                qGreen(drawn) * qAlpha(drawn) / 255 + clear,
                                                qBlue(drawn) * qAlpha(drawn) / 255 + clear);
            QRgb s = 0;
            if (o.withSource) {
                const int sx = o.columns[x - shown.left()];
                if (!sourceLine || sx < 0 || sx >= o.source.width()) {
                    outLine[x - shown.left()] = d;
                    continue;
                }
                s = sourceLine[sx];
            }
            const QRgb p = patternLine ? patternLine[x - shown.left()] : 0;
            outLine[x - shown.left()] = ternaryrop::apply(index, p, s, d);
        }
    }
    return out;
}

} // namespace

// The picture's background is transparent and shows white, so each operation that combines
// a bitmap with the destination becomes the blend that looks the same over white and over
// what was drawn before.
QImage Canvas::maskedForRop(const QImage &image, uint32_t code, int &mode) const
{
    mode = QPainter::CompositionMode_SourceOver;
    switch (code) {
    case rop::kSrcAnd:
        mode = QPainter::CompositionMode_Multiply;
        return image;
    case rop::kSrcPaint:
        mode = QPainter::CompositionMode_Lighten;
        return blackToTransparent(image);
    case rop::kSrcInvert:
        mode = QPainter::CompositionMode_Difference;
        return blackToTransparent(image);
    case rop::kNotSrcCopy:
        return inverted(image);
    case rop::kNotSrcErase:
        mode = QPainter::CompositionMode_Multiply;
        return inverted(image);
    case rop::kMergePaint:
        mode = QPainter::CompositionMode_Lighten;
        return blackToTransparent(inverted(image));
    default:
        return image;
    }
}

void Canvas::blit(const Blit &b)
{
    if (m_recording)
        return;
    applyClip();
    QPainterPath area;
    area.addRect(b.dest.normalized());
    area = m_toFinal.map(area);
    // A bitmap is read whole to be flipped or masked, wherever it lands.
    if (b.image)
        charge(int64_t(b.image->width()) * b.image->height() / limits::kPixelsPerUnit);
    if (!worthDrawing(m_base.mapRect(area.boundingRect()), area.elementCount()))
        return;
    // A bitmap drawn through a transform costs four times a plain fill for each pixel shown.
    if (b.image) {
        const QRectF shown = m_base.mapRect(area.boundingRect()).intersected(m_visible);
        charge(int64_t(shown.width() * shown.height()) * 3 / limits::kPixelsPerUnit);
        if (exhausted())
            return;
    }
    if (b.rop == rop::kNop || (ternaryrop::readsDestination(b.rop) && tryBlitOverBackdrop(b)))
        return;
    if (fillsWithoutSource(b.rop))
        fillForRop(b.rop, onPixels(area));
    else if (b.image && !b.image->isNull())
        drawBitmap(b);
}

void Canvas::fillForRop(uint32_t code, const QPainterPath &device)
{
    m_painter.setTransform(QTransform::fromTranslate(kToCentre, kToCentre));
    switch (code) {
    case rop::kBlackness:
        m_painter.fillPath(device, Qt::black);
        return;
    case rop::kWhiteness:
        m_painter.fillPath(device, Qt::white);
        return;
    case rop::kDstInvert:
        m_painter.setCompositionMode(QPainter::CompositionMode_Difference);
        m_painter.fillPath(device, Qt::white);
        m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    case rop::kPatInvert:
        m_painter.setCompositionMode(QPainter::CompositionMode_Difference);
        fillWith(m_painter, device, m_dc.brush);
        m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        return;
    default:
        fillWith(m_painter, device, m_dc.brush);
        return;
    }
}

void Canvas::drawBitmap(const Blit &b)
{
    QImage image = *b.image;
    const SourceMapping mapping = sourceMapping(b);
    QRectF source = mapping.source, dest = mapping.dest;
    const QRectF bounds(QPointF(0, 0), QSizeF(image.size()));
    const QRectF visible = source.intersected(bounds);
    if (visible.isEmpty() || source.isEmpty() || dest.isEmpty())
        return;
    if (visible != source) {
        // Only the part of the source inside the bitmap draws, into its share of dest.
        const double sx = dest.width() / source.width(), sy = dest.height() / source.height();
        dest = QRectF(dest.x() + (visible.x() - source.x()) * sx,
                      dest.y() + (visible.y() - source.y()) * sy, visible.width() * sx,
                      visible.height() * sy);
        source = visible;
    }
    if (mapping.flipX || mapping.flipY) {
        image = image.copy(source.toAlignedRect()).mirrored(mapping.flipX, mapping.flipY);
        source = QRectF(QPointF(0, 0), QSizeF(image.size()));
    }
    int mode;
    image = maskedForRop(image, b.rop, mode);
    m_painter.setTransform(m_toFinal * m_base);
    const QRectF onFinal = m_toFinal.mapRect(dest);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform,
                            onFinal.width() < source.width() || onFinal.height() < source.height());
    m_painter.setCompositionMode(QPainter::CompositionMode(mode));
    m_painter.drawImage(dest, image, source);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

QImage Canvas::patternPixels(const QRect &area)
{
    QImage pattern(area.size(), QImage::Format_ARGB32_Premultiplied);
    pattern.fill(Qt::white);
    QPainter painter(&pattern);
    painter.setTransform(QTransform::fromTranslate(kToCentre - area.x(), kToCentre - area.y()));
    QPainterPath all;
    all.addRect(QRectF(area).adjusted(-1, -1, 1, 1));
    fillWith(painter, all, m_dc.brush);
    return pattern;
}

const QImage *Canvas::paintedImage() const
{
    const QPaintDevice *device = m_painter.device();
    return device && device->devType() == QInternal::Image ? static_cast<const QImage *>(device)
                                                           : nullptr;
}

bool Canvas::tryBlitOverBackdrop(const Blit &b)
{
    const QImage *painted = paintedImage();
    const QTransform toDevice = m_toFinal * m_base;
    if (!painted || toDevice.m12() != 0 || toDevice.m21() != 0)
        return false;
    const bool withSource = ternaryrop::readsSource(b.rop);
    if (withSource && (!b.image || b.image->isNull()))
        return true;
    const QImage &backdrop = *painted;
    const QRectF box = toDevice.mapRect(b.dest.normalized());
    // Whole pixels, in doubles until the part shown is known: the box may lie far outside.
    const QPointF topLeft = onPixel(box.topLeft()), bottomRight = onPixel(box.bottomRight());
    const QRectF target(topLeft, bottomRight);
    const QRectF within = target & QRectF(backdrop.rect()) & m_visible;
    if (within.isEmpty())
        return true;
    const QRect shown(QPoint(int(within.left()), int(within.top())),
                      QPoint(int(within.right()) - 1, int(within.bottom()) - 1));
    // Working pixel by pixel costs as much as a score of plain fills of the same pixels.
    charge(int64_t(shown.width()) * shown.height() * 24 / limits::kPixelsPerUnit);
    if (shown.isEmpty() || exhausted())
        return true;
    const QImage pattern = ternaryrop::readsPattern(b.rop) ? patternPixels(shown) : QImage();
    const QImage source =
        withSource ? b.image->convertToFormat(QImage::Format_ARGB32_Premultiplied) : QImage();
    // Which source pixel each destination pixel takes: negative extents and a mirroring
    // mapping turn the bitmap round.
    const SourceMapping mapping = sourceMapping(b);
    const QRectF &from = mapping.source;
    const bool flipX = mapping.flipX != (toDevice.m11() < 0);
    const bool flipY = mapping.flipY != (toDevice.m22() < 0);
    // -1 for a place outside any bitmap.
    auto sourceAt = [&](double u, bool flip, double start, double extent) {
        const double at = std::floor(start + (flip ? 1 - u : u) * extent);
        return at >= 0 && at < double(limits::kMaxBitmapPixels) ? int(at) : -1;
    };
    Operands operands{backdrop,
                      pattern,
                      source,
                      withSource,
                      shown,
                      QList<int>(shown.width(), -1),
                      QList<int>(shown.height(), -1)};
    for (int x = shown.left(); withSource && x <= shown.right(); ++x)
        operands.columns[x - shown.left()] =
            sourceAt((x - target.left() + 0.5) / target.width(), flipX, from.left(), from.width());
    for (int y = shown.top(); withSource && y <= shown.bottom(); ++y)
        operands.rows[y - shown.top()] =
            sourceAt((y - target.top() + 0.5) / target.height(), flipY, from.top(), from.height());
    const QImage out = combined(ternaryrop::index(b.rop), operands);
    m_painter.resetTransform();
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    m_painter.drawImage(shown.topLeft(), out);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    return true;
}

void Canvas::alphaBlend(const QRectF &dest, const QImage &image, const QRectF &source, int alpha)
{
    if (m_recording || image.isNull())
        return;
    charge(int64_t(image.width()) * image.height() / limits::kPixelsPerUnit);
    if (!worthDrawing((m_toFinal * m_base).mapRect(dest.normalized()), 4))
        return;
    // The bitmap's colours are premultiplied already; a colour above its alpha is clamped so
    // that the pixels stay valid.
    QImage premultiplied = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < premultiplied.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(premultiplied.scanLine(y));
        for (int x = 0; x < premultiplied.width(); ++x) {
            const int a = qAlpha(line[x]);
            line[x] = qRgba(std::min(qRed(line[x]), a), std::min(qGreen(line[x]), a),
                            std::min(qBlue(line[x]), a), a);
        }
    }
    premultiplied.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    applyClip();
    m_painter.setTransform(m_toFinal * m_base);
    m_painter.setOpacity(std::clamp(alpha, 0, 255) / 255.0);
    m_painter.drawImage(dest.normalized(), premultiplied, source.normalized());
    m_painter.setOpacity(1);
}

void Canvas::fillRegion(const QRegion &region, bool logical, const Brush &brush)
{
    if (m_recording)
        return;
    const QPainterPath shape = regionPath(region, logical);
    if (!worthDrawing(m_base.mapRect(shape.boundingRect()), shape.elementCount()))
        return;
    applyClip();
    m_painter.setTransform(QTransform::fromTranslate(kToCentre, kToCentre));
    fillWith(m_painter, onPixels(shape), brush);
}

void Canvas::frameRegion(const QRegion &region, bool logical, const Brush &brush, QSizeF stroke)
{
    const int w = std::clamp(int(std::lround(std::abs(stroke.width()))), 1, 1000);
    const int h = std::clamp(int(std::lround(std::abs(stroke.height()))), 1, 1000);
    const QRegion inner = region.intersected(region.translated(w, 0))
                              .intersected(region.translated(-w, 0))
                              .intersected(region.translated(0, h))
                              .intersected(region.translated(0, -h));
    fillRegion(region.subtracted(inner), logical, brush);
}

void Canvas::invertRegion(const QRegion &region, bool logical)
{
    if (m_recording)
        return;
    const QPainterPath shape = regionPath(region, logical);
    if (!worthDrawing(m_base.mapRect(shape.boundingRect()), shape.elementCount()))
        return;
    applyClip();
    m_painter.setTransform(QTransform::fromTranslate(kToCentre, kToCentre));
    m_painter.setCompositionMode(QPainter::CompositionMode_Difference);
    m_painter.fillPath(onPixels(shape), Qt::white);
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

} // namespace metafile
