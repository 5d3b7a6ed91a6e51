#include "platform/metafile/drawing/canvas.h"

#include "platform/metafile/drawing/cosmeticline.h"
#include "platform/metafile/drawing/limits.h"

#include <QPainter>
#include <QPainterPathStroker>

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
    m_dc = m_saved[keep];
    m_saved.resize(keep);
    m_clipDirty = true;
    mappingChanged();
}

void Canvas::select(const GdiObject &object)
{
    if (const auto *p = std::get_if<Pen>(&object))
        m_dc.pen = *p;
    else if (const auto *b = std::get_if<Brush>(&object))
        m_dc.brush = *b;
    else if (const auto *f = std::get_if<Font>(&object))
        m_dc.font = *f;
    else if (const auto *pal = std::get_if<Palette>(&object))
        m_dc.palette = *pal;
    else if (const auto *r = std::get_if<Region>(&object))
        selectClip(r->region, true, clipmode::kCopy);
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
        switch (style) {
        case pen::kDash:
            dashes = thin ? QList<qreal>{18, 6} : QList<qreal>{3, 1};
            break;
        case pen::kDot:
            dashes = thin ? QList<qreal>{3, 3} : QList<qreal>{1, 1};
            break;
        case pen::kDashDot:
            dashes = thin ? QList<qreal>{9, 6, 3, 6} : QList<qreal>{3, 1, 1, 1};
            break;
        case pen::kDashDotDot:
            dashes = thin ? QList<qreal>{9, 3, 3, 3, 3, 3} : QList<qreal>{3, 1, 1, 1, 1, 1};
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

bool Canvas::afford(const QRectF &bounds, int64_t elements)
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
    return QPointF(std::floor(device.x() + 0.5), std::floor(device.y() + 0.5));
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
    if (!afford(bounds.adjusted(-reach, -reach, reach, reach), device.elementCount()))
        return;
    if (qpen.style() == Qt::CustomDashLine) {
        // The painter lays dashes along the whole outline, shown or not.
        double period = 0;
        for (const qreal dash : qpen.dashPattern())
            period += dash * std::max(1.0, qpen.widthF());
        charge(int64_t(device.length() / std::max(period, 1.0)));
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
    const bool far = !near.contains(bounds);
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
        if (drawn.widthF() == 0 && devicePixel() == 1) {
            strokeThin(device, drawn);
        } else if (far) {
            // A far-reaching outline is filled, cut, rather than stroked whole.
            m_painter.fillPath(cut(QPainterPathStroker(drawn).createStroke(device)), drawn.color());
        } else {
            m_painter.strokePath(device, drawn);
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
    for (const QPolygonF &line : device.toSubpathPolygons()) {
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

void Canvas::addToPath(const QPainterPath &logical, bool continueFigure)
{
    if (m_path.elementCount() + logical.elementCount() > limits::kMaxPathElements) {
        abortPath();
        return;
    }
    const QPainterPath mapped = m_toFinal.map(logical);
    // A move ends the figure: what follows starts a new one where the move went.
    const bool moved = !m_path.isEmpty() && m_path.elementAt(m_path.elementCount() - 1).isMoveTo();
    if (continueFigure && m_pathHasFigure && !moved)
        m_path.connectPath(mapped);
    else
        m_path.addPath(mapped);
    m_pathHasFigure = true;
}

void Canvas::moveTo(QPointF p)
{
    m_dc.position = p;
    if (m_recording) {
        m_path.moveTo(m_toFinal.map(p));
        m_pathHasFigure = true;
    }
}

void Canvas::lineTo(QPointF p)
{
    QPainterPath line(m_dc.position);
    line.lineTo(p);
    m_dc.position = p;
    if (m_recording)
        addToPath(line, true);
    else
        drawLogical(line, false, true);
}

void Canvas::polyline(const QPolygonF &points)
{
    if (points.size() < 2)
        return;
    QPainterPath line;
    line.addPolygon(points);
    drawLogical(line, false, true);
}

void Canvas::polylineTo(const QPolygonF &points)
{
    if (points.isEmpty())
        return;
    QPainterPath line(m_dc.position);
    for (const QPointF &p : points)
        line.lineTo(p);
    m_dc.position = points.last();
    if (m_recording)
        addToPath(line, true);
    else
        drawLogical(line, false, true);
}

void Canvas::polygon(const QPolygonF &points)
{
    if (points.size() < 2)
        return;
    QPainterPath shape;
    shape.addPolygon(points);
    shape.closeSubpath();
    drawLogical(shape, true, true);
}

void Canvas::polyPolygon(const QList<QPolygonF> &polygons)
{
    QPainterPath shape;
    for (const QPolygonF &points : polygons) {
        if (points.size() < 2)
            continue;
        shape.addPolygon(points);
        shape.closeSubpath();
    }
    drawLogical(shape, true, true);
}

void Canvas::polyPolyline(const QList<QPolygonF> &lines)
{
    QPainterPath shape;
    for (const QPolygonF &points : lines) {
        if (points.size() >= 2)
            shape.addPolygon(points);
    }
    drawLogical(shape, false, true);
}

namespace {

// Cubic segments after a start point; trailing points that make no whole segment are dropped.
void addBeziers(QPainterPath &path, const QPolygonF &points, qsizetype from)
{
    for (qsizetype i = from; i + 2 < points.size(); i += 3)
        path.cubicTo(points[i], points[i + 1], points[i + 2]);
}

} // namespace

void Canvas::polyBezier(const QPolygonF &points)
{
    if (points.size() < 4)
        return;
    QPainterPath curve(points.first());
    addBeziers(curve, points, 1);
    drawLogical(curve, false, true);
}

void Canvas::polyBezierTo(const QPolygonF &points)
{
    if (points.size() < 3)
        return;
    QPainterPath curve(m_dc.position);
    addBeziers(curve, points, 0);
    m_dc.position = points[points.size() - 1 - points.size() % 3];
    if (m_recording)
        addToPath(curve, true);
    else
        drawLogical(curve, false, true);
}

void Canvas::polyDraw(const QPolygonF &points, QByteArrayView types)
{
    // Point types: 6 move, 2 line, 4 Bézier, with 1 added to close the figure there.
    QPainterPath shape(m_dc.position);
    for (qsizetype i = 0; i < points.size() && i < types.size(); ++i) {
        const uint8_t type = uint8_t(types[i]);
        switch (type & ~1u) {
        case 6:
            shape.moveTo(points[i]);
            break;
        case 2:
            shape.lineTo(points[i]);
            break;
        case 4:
            if (i + 2 < points.size()) {
                shape.cubicTo(points[i], points[i + 1], points[i + 2]);
                i += 2;
            }
            break;
        default:
            break;
        }
        if (type & 1)
            shape.closeSubpath();
    }
    if (!points.isEmpty())
        m_dc.position = points.last();
    if (m_recording)
        addToPath(shape, true);
    else
        drawLogical(shape, false, true);
}

void Canvas::rectangle(const QRectF &box)
{
    QPainterPath shape;
    if (const auto device = deviceBox(box, !m_dc.compatibleMode)) {
        shape.addRect(*device);
        drawDevice(shape, true, true);
        return;
    }
    shape.addRect(box.normalized());
    drawLogical(shape, true, true);
}

void Canvas::roundRect(const QRectF &box, QSizeF corner)
{
    QPainterPath shape;
    if (const auto device = deviceBox(box, false)) {
        const QTransform toDevice = m_toFinal * m_base;
        shape.addRoundedRect(*device, std::abs(corner.width() * toDevice.m11()) / 2,
                             std::abs(corner.height() * toDevice.m22()) / 2);
        drawDevice(shape, true, true);
        return;
    }
    shape.addRoundedRect(box.normalized(), std::abs(corner.width()) / 2,
                         std::abs(corner.height()) / 2);
    drawLogical(shape, true, true);
}

void Canvas::ellipse(const QRectF &box)
{
    QPainterPath shape;
    if (const auto device = deviceBox(box, false)) {
        // The fill takes every pixel the outline passes through: its edge lies half a pixel
        // outside the outline's.
        QPainterPath filled;
        filled.addEllipse(device->adjusted(-0.5, -0.5, 0.5, 0.5));
        drawDevice(filled, true, false);
        shape.addEllipse(*device);
        drawDevice(shape, false, true);
        return;
    }
    shape.addEllipse(box.normalized());
    drawLogical(shape, true, true);
}

QPainterPath Canvas::arcPath(ArcKind kind, const QRectF &box, QPointF start, QPointF end,
                             bool clockwise) const
{
    const QRectF r = box.normalized();
    QPainterPath shape;
    if (r.width() <= 0 || r.height() <= 0)
        return shape;
    const QPointF c = r.center();
    // The arc runs between the rays from the centre through the two points; the angles are
    // the ellipse's own parameter, as the path's arcs take them.
    auto angle = [&](QPointF p) {
        return std::atan2(-(p.y() - c.y()) / r.height(), (p.x() - c.x()) / r.width()) * 180 / M_PI;
    };
    const double a0 = angle(start), a1 = angle(end);
    double sweep = std::fmod(a1 - a0 + 720, 360);
    if (sweep <= 1e-9)
        sweep = 360;
    if (clockwise)
        sweep -= 360;
    if (kind == ArcKind::Pie)
        shape.moveTo(c);
    else
        shape.arcMoveTo(r, a0);
    shape.arcTo(r, a0, sweep);
    if (kind == ArcKind::Pie || kind == ArcKind::Chord)
        shape.closeSubpath();
    return shape;
}

void Canvas::arc(ArcKind kind, const QRectF &box, QPointF start, QPointF end)
{
    const bool closed = kind == ArcKind::Pie || kind == ArcKind::Chord;
    if (kind != ArcKind::ArcTo) {
        if (const auto device = deviceBox(box, false)) {
            // Drawn in device pixels, where a mirroring mapping turns the direction round.
            const QTransform toDevice = m_toFinal * m_base;
            const bool mirrored = toDevice.m11() * toDevice.m22() < 0;
            drawDevice(arcPath(kind, *device, onPixel(toDevice.map(start)),
                               onPixel(toDevice.map(end)), m_dc.clockwise != mirrored),
                       closed, true);
            return;
        }
    }
    QPainterPath shape = arcPath(kind, box, start, end, m_dc.clockwise);
    if (kind == ArcKind::ArcTo) {
        // The line from the current position to where the arc begins is part of it.
        QPainterPath joined(m_dc.position);
        joined.connectPath(shape);
        shape = joined;
        if (!shape.isEmpty())
            m_dc.position = shape.currentPosition();
        if (m_recording) {
            addToPath(shape, true);
            return;
        }
    }
    drawLogical(shape, closed, true);
}

void Canvas::angleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees)
{
    if (!std::isfinite(radius) || !std::isfinite(startDegrees) || !std::isfinite(sweepDegrees))
        return;
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath shape(m_dc.position);
    shape.arcTo(box, startDegrees, std::clamp(sweepDegrees, -3600.0, 3600.0));
    m_dc.position = shape.currentPosition();
    if (m_recording)
        addToPath(shape, true);
    else
        drawLogical(shape, false, true);
}

void Canvas::setPixel(QPointF p, ColorRef c)
{
    if (m_recording)
        return;
    applyClip();
    m_painter.setTransform(m_base);
    const QPointF at = m_toFinal.map(p);
    m_painter.fillRect(QRectF(at, QSizeF(m_pixel, m_pixel)), color(c));
}

void Canvas::fillShape(const QPainterPath &shape, const QBrush &brush)
{
    if (m_recording)
        return;
    applyClip();
    m_painter.setTransform(m_toFinal * m_base);
    m_painter.fillPath(shape, brush);
}

} // namespace metafile
