#pragma once

#include <QRectF>
#include <QWidget>

// A control placed in twips. The place is kept exactly as it was set, so a run of one-twip
// steps or a saved position comes back unchanged; the widget's pixel geometry follows it,
// each edge rounded to the nearest pixel so that an edge held still never jitters.
class TwipsControl : public QWidget
{
    Q_OBJECT
public:
    explicit TwipsControl(QWidget *parent = nullptr);

    double Left() const { return m_twips.left(); }
    double Top() const { return m_twips.top(); }
    double Width() const { return m_twips.width(); }
    double Height() const { return m_twips.height(); }
    QRectF twipsGeometry() const { return m_twips; }

    void setLeft(double left);
    void setTop(double top);
    void setWidth(double width);
    void setHeight(double height);
    // One combined move: the widget's geometry changes once.
    void Move(double left, double top, double width, double height);

    // The pixel rectangle that a twips rectangle covers.
    static QRect pixelRect(const QRectF &twips);

signals:
    // Width or Height changed (not a move).
    void twipsResized();
    // The pixel rectangle changed, by a move or a resize.
    void placed();

protected:
    // For a size taken from a picture: the twips follow the new pixel size.
    void resizeToPixels(QSize size);

private:
    void setTwips(const QRectF &rect);
    void apply();

    QRectF m_twips;
};
