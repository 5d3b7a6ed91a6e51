#include "controls/twipscontrol.h"

#include "base/twips.h"

TwipsControl::TwipsControl(QWidget *parent) : QWidget(parent) {}

QRect TwipsControl::pixelRect(const QRectF &rect)
{
    const int left = twips::toPixels(rect.left());
    const int top = twips::toPixels(rect.top());
    const int right = twips::toPixels(rect.left() + rect.width());
    const int bottom = twips::toPixels(rect.top() + rect.height());
    return QRect(left, top, qMax(0, right - left), qMax(0, bottom - top));
}

void TwipsControl::setLeft(double left)
{
    m_twips.moveLeft(left);
    apply();
}

void TwipsControl::setTop(double top)
{
    m_twips.moveTop(top);
    apply();
}

void TwipsControl::setWidth(double width)
{
    setTwips(QRectF(m_twips.left(), m_twips.top(), width, m_twips.height()));
}

void TwipsControl::setHeight(double height)
{
    setTwips(QRectF(m_twips.left(), m_twips.top(), m_twips.width(), height));
}

void TwipsControl::Move(double left, double top, double width, double height)
{
    setTwips(QRectF(left, top, width, height));
}

void TwipsControl::resizeToPixels(QSize size)
{
    setTwips(QRectF(m_twips.topLeft(),
                    QSizeF(twips::fromPixels(size.width()), twips::fromPixels(size.height()))));
}

void TwipsControl::setTwips(const QRectF &rect)
{
    const bool resized = rect.size() != m_twips.size();
    m_twips = rect;
    apply();
    if (resized)
        emit twipsResized();
}

void TwipsControl::apply()
{
    const QRect rect = pixelRect(m_twips);
    if (rect == geometry())
        return;
    setGeometry(rect);
    emit placed();
}
