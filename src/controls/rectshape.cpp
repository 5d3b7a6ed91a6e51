#include "controls/rectshape.h"

#include "controls/twipscontrol.h"

#include <QPainter>

RectShape::RectShape(const QString &name, const QRectF &twipsGeometry, QObject *parent)
    : QObject(parent), m_twips(twipsGeometry)
{
    setObjectName(name);
}

QRect RectShape::geometry() const
{
    return TwipsControl::pixelRect(m_twips);
}

void RectShape::Move(double left, double top, double width, double height)
{
    const QRect before = geometry();
    m_twips = QRectF(left, top, width, height);
    if (m_visible)
        emit changed(before.united(geometry()));
}

void RectShape::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    emit changed(geometry());
}

void RectShape::paint(QPainter &painter) const
{
    const QRect area = geometry();
    if (!m_visible || area.isEmpty())
        return;
    painter.fillRect(area, m_fillColor);
    painter.setPen(QPen(m_borderColor, 1));
    painter.setBrush(Qt::NoBrush);
    // A one-pixel outline inside the shape's own rectangle.
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}
