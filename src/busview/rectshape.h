#pragma once

#include <QColor>
#include <QObject>
#include <QRect>

class QPainter;

// A rectangle drawn on its window's own surface, beneath the window's child controls; it takes
// no input of its own, so a press on it is a press on the window.
class RectShape : public QObject
{
    Q_OBJECT
public:
    RectShape(const QString &name, const QRect &geometry, QObject *parent);

    QRect geometry() const { return m_geometry; }
    void setGeometry(const QRect &geometry) { m_geometry = geometry; }
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }
    QColor borderColor() const { return m_borderColor; }
    QColor fillColor() const { return m_fillColor; }

    void paint(QPainter &painter) const;

private:
    QRect m_geometry;
    bool m_visible = true;
    QColor m_borderColor{0x80, 0x80, 0x80};
    QColor m_fillColor{0xE0, 0xE0, 0xE0};
};
