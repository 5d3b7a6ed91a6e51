#include "busview/rectshape.h"

#include <QPainter>

RectShape::RectShape(const QString &name, const QRect &geometry, QObject *parent)
    : QObject(parent), m_geometry(geometry)
{
    setObjectName(name);
}

void RectShape::paint(QPainter &painter) const
{
    if (!m_visible || m_geometry.isEmpty())
        return;
    painter.fillRect(m_geometry, m_fillColor);
    painter.setPen(QPen(m_borderColor, 1));
    painter.setBrush(Qt::NoBrush);
    // A one-pixel outline inside the shape's own rectangle.
    painter.drawRect(m_geometry.adjusted(0, 0, -1, -1));
}
