// How the canvas turns shapes into pixels: pens, brushes and binary raster operations.
#include "metafile/drawing/canvas.h"

#include "metafile/drawing/cosmeticline.h"
#include "metafile/drawing/limits.h"

#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace metafile {

namespace {

// The open figures of a path, each end lengthened by reach along its last segment: where the
// caps of a wide dashed pen reach, so the dashes are laid from there.
QPainterPath lengthenedEnds(const QPainterPath &path, double reach)
{
    QPainterPath lengthened;
    for (QPolygonF figure : path.toSubpathPolygons()) {
        const bool closed = figure.isClosed();
        if (!closed && figure.size() >= 2) {
            auto lengthen = [&](qsizetype end, qsizetype step) {
                for (qsizetype i = end + step; i >= 0 && i < figure.size(); i += step) {
                    const QPointF along = figure[end] - figure[i];
                    const double length = std::hypot(along.x(), along.y());
                    if (length > 0) {
                        figure[end] += along * (reach / length);
                        return;
                    }
                }
            };
            lengthen(0, 1);
            lengthen(figure.size() - 1, -1);
        }
        lengthened.addPolygon(figure);
        if (closed)
            lengthened.closeSubpath();
    }
    return lengthened;
}

// A wide dashed pen with round or square caps: the pattern is laid from where the caps of the
// figure's open ends reach, and each dash keeps its caps within its own length.
QPainterPath capsWithinDashes(const QPainterPath &device, QPen &pen)
{
    const QList<qreal> pattern = pen.dashPattern();
    QList<qreal> shortened;
    double period = 0;
    for (qsizetype i = 0; i + 1 < pattern.size(); i += 2) {
        const double dash = std::max(pattern[i] - 1, 1e-3);
        shortened << dash << pattern[i + 1] + pattern[i] - dash;
        period += pattern[i] + pattern[i + 1];
    }
    pen.setDashPattern(shortened);
    pen.setDashOffset(period - 0.5);
    return lengthenedEnds(device, pen.widthF() / 2);
}

} // namespace

QPen Canvas::makePen() const
{
    const Pen &p = m_dc.pen;
    const uint32_t style = p.style & pen::kStyleMask;
    if (style == pen::kNull)
        return QPen(Qt::NoPen);
    const QTransform toDevice = m_toFinal * m_base;
    const double scale = std::hypot(toDevice.m11(), toDevice.m12());
    double width = std::round(std::abs(p.width) * scale);
    const bool thin = !(width > devicePixel());
    if (thin)
        width = devicePixel();
    // Width 0 is the painter's one-pixel line, which leaves out its last pixel as GDI does.
    QPen qpen(color(p.color), width > 1 ? width : 0);
    if (thin) {
        qpen.setCapStyle(Qt::FlatCap);
        qpen.setJoinStyle(Qt::MiterJoin);
    } else {
        const uint32_t cap = p.style & pen::kEndCapMask, join = p.style & pen::kJoinMask;
        qpen.setCapStyle(cap == pen::kEndCapFlat     ? Qt::FlatCap
                         : cap == pen::kEndCapSquare ? Qt::SquareCap
                                                     : Qt::RoundCap);
        qpen.setJoinStyle(join == pen::kJoinMiter   ? Qt::MiterJoin
                          : join == pen::kJoinBevel ? Qt::BevelJoin
                                                    : Qt::RoundJoin);
        qpen.setMiterLimit(m_dc.miterLimit);
    }
    // Dash lengths in pen widths: device-pixel patterns for thin pens, width-relative ones for
    // geometric pens. A wide pen of the basic kind draws solid whatever its style.
    QList<qreal> dashes;
    const bool geometric = p.style & pen::kGeometric;
    if (style == pen::kUserStyle) {
        for (double d : p.dashes)
            dashes.append(std::max(0.01, std::abs(d) * scale / width));
        if (dashes.size() % 2)
            dashes.append(dashes);
    } else if (thin || geometric) {
        // A geometric pen's dashes follow its width however thin it is; a cosmetic pen's are
        // counted in pixels.
        const bool cosmetic = !geometric;
        switch (style) {
        case pen::kDash:
            dashes = cosmetic ? QList<qreal>{18, 6} : QList<qreal>{3, 1};
            break;
        case pen::kDot:
            dashes = cosmetic ? QList<qreal>{3, 3} : QList<qreal>{1, 1};
            break;
        case pen::kDashDot:
            dashes = cosmetic ? QList<qreal>{9, 6, 3, 6} : QList<qreal>{3, 1, 1, 1};
            break;
        case pen::kDashDotDot:
            dashes = cosmetic ? QList<qreal>{9, 3, 3, 3, 3, 3} : QList<qreal>{3, 1, 1, 1, 1, 1};
            break;
        case pen::kAlternate:
            dashes = {1, 1};
            break;
        default:
            break;
        }
    }
    if (!dashes.isEmpty())
        qpen.setDashPattern(dashes);
    return qpen;
}

bool Canvas::applyRop2()
{
    // Binary raster operations on a picture with a transparent background: the ones that
    // combine with what is drawn become the blend modes nearest to them.
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (m_dc.rop2) {
    case 11:
        return false; // leaves the destination as it is
    case 7:
    case 10:
    case 6:
        mode = QPainter::CompositionMode_Difference;
        break;
    case 9:
        mode = QPainter::CompositionMode_Multiply;
        break;
    case 15:
        mode = QPainter::CompositionMode_Lighten;
        break;
    default:
        break;
    }
    m_painter.setCompositionMode(mode);
    return true;
}

void Canvas::drawFinal(const QPainterPath &shape, bool fill, bool stroke)
{
    drawDevice(onPixels(shape), fill, stroke);
}

void Canvas::drawDevice(const QPainterPath &device, bool fill, bool stroke)
{
    const QPen qpen = stroke ? makePen() : QPen(Qt::NoPen);
    const double reach =
        (qpen.style() == Qt::NoPen ? 0 : qpen.widthF() * std::max(1.0, qpen.miterLimit())) + 2;
    const QRectF bounds = device.boundingRect();
    // A shape reaching past the 32-bit coordinates of the picture's own device draws nothing
    // in GDI; here cutting it to the part shown would only take time.
    constexpr double kFarthest = 2147483648.0;
    const QRectF own = m_base.inverted().mapRect(bounds);
    if (!(std::max({std::abs(own.left()), std::abs(own.right()), std::abs(own.top()),
                    std::abs(own.bottom())}) < kFarthest))
        return;
    if (!worthDrawing(bounds.adjusted(-reach, -reach, reach, reach), device.elementCount()))
        return;
    // The painter lays dashes along the whole outline, shown or not.
    double dashes = 0;
    if (qpen.style() == Qt::CustomDashLine) {
        double period = 0;
        for (const qreal dash : qpen.dashPattern())
            period += dash * std::max(1.0, qpen.widthF());
        dashes = device.length() / std::max(period, 1.0) * double(qpen.dashPattern().size() / 2);
        chargeMeasured(dashes);
        if (exhausted())
            return;
    }
    applyClip();
    if (!applyRop2())
        return;
    // Points sit on whole pixels; a pixel is drawn when its top-left corner is covered, so
    // the shape is moved onto the centres the painter samples.
    m_painter.setTransform(QTransform::fromTranslate(kToCentre, kToCentre));
    // Operations that ignore the pen's colour draw in a fixed one.
    std::optional<QColor> forced;
    switch (m_dc.rop2) {
    case 1:
        forced = QColor(Qt::black);
        break;
    case 16:
    case 6:
        forced = QColor(Qt::white);
        break;
    default:
        break;
    }
    // The rasteriser walks the whole extent of what it fills, shown or not: what reaches far
    // past the shown part is cut to it first, with a margin, which changes no pixel shown.
    const QRectF near = m_visible.adjusted(-m_visible.width(), -m_visible.height(),
                                           m_visible.width(), m_visible.height());
    // (Compared edge by edge: a straight line's bounds have no area.)
    const bool far = bounds.left() < near.left() || bounds.right() > near.right() ||
                     bounds.top() < near.top() || bounds.bottom() > near.bottom();
    auto cut = [&](const QPainterPath &path) {
        QPainterPath box;
        box.addRect(m_visible.adjusted(-4, -4, 4, 4));
        return path.intersected(box);
    };
    if (fill) {
        const QPainterPath filled = far ? cut(device) : device;
        if (forced && m_dc.brush.kind != Brush::Kind::Null)
            m_painter.fillPath(filled, *forced);
        else
            fillWith(m_painter, filled, m_dc.brush);
    }
    if (qpen.style() != Qt::NoPen) {
        QPen drawn = qpen;
        if (forced)
            drawn.setColor(*forced);
        QPainterPath outline = device;
        if (drawn.style() == Qt::CustomDashLine && drawn.capStyle() != Qt::FlatCap &&
            drawn.widthF() > devicePixel())
            outline = capsWithinDashes(device, drawn);
        if (drawn.widthF() == 0 && devicePixel() == 1) {
            strokeThin(device, drawn);
        } else if (far) {
            // A far-reaching outline is filled, cut, rather than stroked whole; cutting costs
            // far more for each dash than laying it.
            chargeMeasured(dashes * limits::kFarDashWork);
            if (exhausted())
                return;
            m_painter.fillPath(cut(QPainterPathStroker(drawn).createStroke(outline)),
                               drawn.color());
        } else {
            // An opaque background fills the gaps of a one-pixel pen's dashes, here drawn
            // wider on a finer screen.
            const bool thin = drawn.widthF() <= devicePixel();
            if (m_dc.bkOpaque && drawn.style() == Qt::CustomDashLine && thin) {
                QPen gaps = drawn;
                gaps.setStyle(Qt::SolidLine);
                gaps.setColor(color(m_dc.bkColor));
                m_painter.strokePath(device, gaps);
            }
            // A one-pixel pen covers the pixel right of and below each point, as it does at
            // the picture's own size.
            const double towards = thin ? (drawn.widthF() - 1) / 2 : 0;
            m_painter.strokePath(outline.translated(towards, towards), drawn);
        }
    }
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void Canvas::strokeThin(const QPainterPath &device, const QPen &pen)
{
    QList<int> dashes;
    if (pen.style() == Qt::CustomDashLine) {
        for (const qreal dash : pen.dashPattern())
            dashes.append(std::max(1, int(std::lround(std::min(dash, 1e6)))));
    }
    const QColor background = color(m_dc.bkColor);
    m_painter.resetTransform();
    // Curves are cut into segments at twice the size and brought back, which follows them
    // closely enough for their pixels to step as GDI's do.
    constexpr double kFine = 2;
    for (QPolygonF line : device.toSubpathPolygons(QTransform::fromScale(kFine, kFine))) {
        for (QPointF &point : line)
            point /= kFine;
        const LinePixels pixels = cosmeticLine(line, dashes, m_visible.toAlignedRect());
        for (const QRect &run : pixels.ink)
            m_painter.fillRect(run, pen.color());
        // An opaque background fills the gaps between dashes.
        if (m_dc.bkOpaque) {
            for (const QRect &run : pixels.gaps)
                m_painter.fillRect(run, background);
        }
    }
}

namespace {

// The 8 × 8 tile of a hatch style: horizontal, vertical, two diagonals and two crosses.
QImage hatchTile(uint32_t style, const QColor &color)
{
    QImage tile(8, 8, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    const QRgb ink = color.rgba();
    for (int i = 0; i < 8; ++i) {
        const bool horizontal = style == 0 || style == 4, vertical = style == 1 || style == 4;
        const bool down = style == 2 || style == 5, up = style == 3 || style == 5;
        if (horizontal)
            tile.setPixel(i, 3, ink);
        if (vertical)
            tile.setPixel(4, i, ink);
        if (down)
            tile.setPixel(i, i, ink);
        if (up)
            tile.setPixel(7 - i, i, ink);
        if (style > 5)
            tile.setPixel(i, 0, ink);
    }
    return tile;
}

} // namespace

void Canvas::fillWith(QPainter &painter, const QPainterPath &shape, const Brush &brush)
{
    // Pattern pixels sit on device pixels from the picture's origin and the brush origin; the
    // half pixel undoes the painter's move onto pixel centres.
    const double pixel = devicePixel();
    const QPointF origin = m_base.map(QPointF(0, 0)) + m_dc.brushOrigin * pixel;
    const QTransform patternPlace = QTransform::fromScale(pixel, pixel) *
                                    QTransform::fromTranslate(std::round(origin.x()) - kToCentre,
                                                              std::round(origin.y()) - kToCentre);
    switch (brush.kind) {
    case Brush::Kind::Null:
        return;
    case Brush::Kind::Solid:
        painter.fillPath(shape, color(brush.color));
        return;
    case Brush::Kind::Hatched: {
        if (m_dc.bkOpaque)
            painter.fillPath(shape, color(m_dc.bkColor));
        QBrush qbrush(hatchTile(brush.hatch, color(brush.color)));
        qbrush.setTransform(patternPlace);
        painter.fillPath(shape, qbrush);
        return;
    }
    case Brush::Kind::Pattern: {
        if (brush.pattern.isNull())
            return;
        QImage tile = brush.pattern;
        if (brush.monochrome) {
            // Clear bits take the text colour and set bits the background colour.
            const QRgb fore = color(m_dc.textColor).rgba(), back = color(m_dc.bkColor).rgba();
            tile = tile.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < tile.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(tile.scanLine(y));
                for (int x = 0; x < tile.width(); ++x)
                    line[x] = qGray(line[x]) < 128 ? fore : back;
            }
        }
        QBrush qbrush(tile);
        qbrush.setTransform(patternPlace);
        painter.fillPath(shape, qbrush);
        return;
    }
    }
}

void Canvas::drawLogical(const QPainterPath &shape, bool fill, bool stroke)
{
    if (m_recording) {
        addToPath(shape, false);
        return;
    }
    QPainterPath final = m_toFinal.map(shape);
    final.setFillRule(m_dc.winding ? Qt::WindingFill : Qt::OddEvenFill);
    drawFinal(final, fill, stroke);
}

} // namespace metafile
