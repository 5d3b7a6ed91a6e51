// Clipping and the recorded path of the canvas.
#include "metafile/drawing/canvas.h"

#include "metafile/drawing/limits.h"

#include <QPainter>
#include <QPainterPathStroker>

namespace metafile {

namespace {

// Stands for "everywhere" where a clip is combined with another shape.
QPainterPath everywhere()
{
    QPainterPath all;
    all.addRect(QRectF(-1e7, -1e7, 2e7, 2e7));
    return all;
}

} // namespace

void Canvas::applyClip()
{
    if (!m_clipDirty)
        return;
    m_clipDirty = false;
    // Clip edges fall between whole pixels, as every shape's points do.
    m_painter.resetTransform();
    if (m_dc.clip) {
        const QPainterPath clip = onPixels(*m_dc.clip);
        m_painter.setClipPath(m_baseClip ? clip.intersected(*m_baseClip) : clip);
    } else if (m_baseClip) {
        m_painter.setClipPath(*m_baseClip);
    } else {
        // Clipping is switched off by a clip of everywhere rather than by disabling it, so
        // that the next clip the painter gets replaces all of this one.
        m_painter.setClipPath(everywhere());
    }
}

void Canvas::combineClip(const QPainterPath &given, int mode)
{
    QPainterPath shape = given;
    if (shape.elementCount() > limits::kMaxClipElements) {
        shape = QPainterPath();
        shape.addRect(given.boundingRect());
    }
    const bool unclipped = !m_dc.clip.has_value();
    // Combining shapes compares every segment with every other, of both shapes.
    const int64_t segments = (unclipped ? 4 : m_dc.clip->elementCount()) + shape.elementCount();
    charge(1 + segments * segments);
    if (exhausted())
        return;
    switch (mode) {
    case clipmode::kAnd:
        m_dc.clip = unclipped ? shape : m_dc.clip->intersected(shape);
        break;
    case clipmode::kOr:
        if (!unclipped)
            m_dc.clip = m_dc.clip->united(shape);
        break;
    case clipmode::kXor: {
        const QPainterPath current = unclipped ? everywhere() : *m_dc.clip;
        m_dc.clip = current.subtracted(shape).united(shape.subtracted(current));
        break;
    }
    case clipmode::kDiff:
        m_dc.clip = (unclipped ? everywhere() : *m_dc.clip).subtracted(shape);
        break;
    case clipmode::kCopy:
        m_dc.clip = shape;
        break;
    default:
        return;
    }
    if (m_dc.clip && m_dc.clip->elementCount() > limits::kMaxClipElements) {
        const QRectF box = m_dc.clip->boundingRect();
        m_dc.clip = QPainterPath();
        m_dc.clip->addRect(box);
    }
    m_clipDirty = true;
}

void Canvas::intersectClip(const QRectF &box)
{
    QPainterPath shape;
    shape.addRect(box.normalized());
    combineClip(m_toFinal.map(shape), clipmode::kAnd);
}

void Canvas::excludeClip(const QRectF &box)
{
    QPainterPath shape;
    shape.addRect(box.normalized());
    combineClip(m_toFinal.map(shape), clipmode::kDiff);
}

QPainterPath Canvas::regionPath(const QRegion &region, bool logical) const
{
    QPainterPath shape;
    shape.addRegion(region);
    return (logical ? m_toFinal : m_deviceToFinal).map(shape);
}

void Canvas::selectClip(const std::optional<QRegion> &region, bool logical, int mode)
{
    if (!region) {
        if (mode == clipmode::kCopy) {
            m_dc.clip.reset();
            m_clipDirty = true;
        }
        return;
    }
    combineClip(regionPath(*region, logical), mode);
}

void Canvas::offsetClip(QPointF offset)
{
    if (!m_dc.clip)
        return;
    const QPointF d = m_toFinal.map(offset) - m_toFinal.map(QPointF(0, 0));
    m_dc.clip->translate(d);
    m_clipDirty = true;
}

void Canvas::beginPath()
{
    m_recording = true;
    m_path = QPainterPath();
    m_pathHasFigure = false;
}

void Canvas::endPath()
{
    m_recording = false;
}

void Canvas::abortPath()
{
    m_recording = false;
    m_path = QPainterPath();
    m_pathHasFigure = false;
}

void Canvas::closeFigure()
{
    if (m_recording) {
        m_path.closeSubpath();
        m_pathHasFigure = false;
    }
}

void Canvas::fillPath()
{
    if (m_recording)
        return;
    m_path.setFillRule(m_dc.winding ? Qt::WindingFill : Qt::OddEvenFill);
    drawFinal(m_path, true, false);
    abortPath();
}

void Canvas::strokePath()
{
    if (m_recording)
        return;
    drawFinal(m_path, false, true);
    abortPath();
}

void Canvas::strokeAndFillPath()
{
    if (m_recording)
        return;
    m_path.setFillRule(m_dc.winding ? Qt::WindingFill : Qt::OddEvenFill);
    drawFinal(m_path, true, true);
    abortPath();
}

void Canvas::selectClipPath(int mode)
{
    if (m_recording)
        return;
    m_path.setFillRule(m_dc.winding ? Qt::WindingFill : Qt::OddEvenFill);
    combineClip(m_path, mode);
    abortPath();
}

void Canvas::widenPath()
{
    if (m_recording)
        return;
    const QPen qpen = makePen();
    charge(int64_t(m_path.elementCount()) * 16);
    if (qpen.style() == Qt::NoPen || exhausted())
        return;
    QPainterPathStroker stroker(qpen);
    m_path = stroker.createStroke(m_path);
    if (m_path.elementCount() > limits::kMaxPathElements)
        m_path = QPainterPath();
}

} // namespace metafile
