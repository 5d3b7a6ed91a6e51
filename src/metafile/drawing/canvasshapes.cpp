// The lines, curves and shapes of the canvas, and the path they are recorded into.
#include "metafile/drawing/canvas.h"

#include "metafile/drawing/limits.h"

#include <QPainter>

#include <cmath>

namespace metafile {

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

bool Canvas::tryDrawBox(const QRectF &logical, bool withEdges, double fillOutset, bool fill,
                        const std::function<QPainterPath(const QRectF &)> &shapeIn)
{
    const auto box = deviceBox(logical, withEdges);
    if (!box)
        return false;
    if (fill)
        drawDevice(shapeIn(box->adjusted(-fillOutset, -fillOutset, fillOutset, fillOutset)), true,
                   false);
    // In the compatible mode an inside-frame pen wider than a pixel keeps within the whole
    // box: its outline runs half the pen's width inside the box's edges.
    QRectF outline = *box;
    const double width = makePen().widthF();
    if (m_dc.compatibleMode && (m_dc.pen.style & pen::kStyleMask) == pen::kInsideFrame &&
        width > devicePixel()) {
        const QRectF whole = *deviceBox(logical, true);
        const double inset = std::min({width / 2, whole.width() / 2, whole.height() / 2});
        outline = whole.adjusted(inset, inset, -inset, -inset);
    }
    drawDevice(shapeIn(outline), false, true);
    return true;
}

void Canvas::rectangle(const QRectF &box)
{
    const auto rect = [](const QRectF &b) {
        QPainterPath shape;
        shape.addRect(b);
        return shape;
    };
    if (!tryDrawBox(box, !m_dc.compatibleMode, 0, true, rect))
        drawLogical(rect(box.normalized()), true, true);
}

void Canvas::roundRect(const QRectF &box, QSizeF corner)
{
    const QTransform toDevice = m_toFinal * m_base;
    const QSizeF radii(std::abs(corner.width() * toDevice.m11()) / 2,
                       std::abs(corner.height() * toDevice.m22()) / 2);
    const bool drawn = tryDrawBox(box, false, 0, true, [&](const QRectF &b) {
        QPainterPath shape;
        shape.addRoundedRect(b, radii.width(), radii.height());
        return shape;
    });
    if (!drawn) {
        QPainterPath shape;
        shape.addRoundedRect(box.normalized(), std::abs(corner.width()) / 2,
                             std::abs(corner.height()) / 2);
        drawLogical(shape, true, true);
    }
}

void Canvas::ellipse(const QRectF &box)
{
    const auto oval = [](const QRectF &b) {
        QPainterPath shape;
        shape.addEllipse(b);
        // Drawn anticlockwise from its rightmost point, where a dashed pen's pattern starts.
        return shape.toReversed();
    };
    // The fill takes every pixel the outline passes through: its edge lies half a pixel
    // outside the outline's.
    if (!tryDrawBox(box, false, 0.5, true, oval))
        drawLogical(oval(box.normalized()), true, true);
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
        // Drawn in device pixels, where a mirroring mapping turns the direction round.
        const QTransform toDevice = m_toFinal * m_base;
        const bool clockwise = m_dc.clockwise != (toDevice.m11() * toDevice.m22() < 0);
        const QPointF from = onPixel(toDevice.map(start)), to = onPixel(toDevice.map(end));
        if (tryDrawBox(box, false, 0, closed,
                       [&](const QRectF &b) { return arcPath(kind, b, from, to, clockwise); }))
            return;
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
    m_painter.resetTransform();
    const QPointF at = onPixel((m_toFinal * m_base).map(p));
    m_painter.fillRect(QRectF(at, QSizeF(devicePixel(), devicePixel())), color(c));
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
