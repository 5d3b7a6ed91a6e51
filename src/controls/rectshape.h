#pragma once

#include <QColor>
#include <QObject>
#include <QRect>
#include <QRectF>

class QPainter;

// A rectangle drawn on its window's own surface, beneath the window's child controls; it takes
// no input of its own, so a press on it is a press on the window. Placed in twips.
class RectShape : public QObject
{
    Q_OBJECT
public:
    RectShape(const QString &name, const QRectF &twipsGeometry, QObject *parent);

    double Left() const { return m_twips.left(); }
    double Top() const { return m_twips.top(); }
    double Width() const { return m_twips.width(); }
    double Height() const { return m_twips.height(); }
    QRectF twipsGeometry() const { return m_twips; }
    // The pixels it covers on its window.
    QRect geometry() const;
    // One combined move; the window repaints what the shape left and what it now covers.
    void Move(double left, double top, double width, double height);

    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);
    QColor borderColor() const { return m_borderColor; }
    QColor fillColor() const { return m_fillColor; }

    void paint(QPainter &painter) const;

signals:
    // The pixels that need drawing again after a change.
    void changed(const QRect &area);

private:
    QRectF m_twips;
    bool m_visible = true;
    QColor m_borderColor{0x80, 0x80, 0x80};
    QColor m_fillColor{0xE0, 0xE0, 0xE0};
};
