#include "busview/twipscontrol.h"

#include "platform/twips.h"

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
    m_twips.setWidth(width);
    apply();
}

void TwipsControl::setHeight(double height)
{
    m_twips.setHeight(height);
    apply();
}

void TwipsControl::Move(double left, double top, double width, double height)
{
    m_twips = QRectF(left, top, width, height);
    apply();
}

void TwipsControl::resizeToPixels(QSize size)
{
    m_twips.setSize(QSizeF(twips::fromPixels(size.width()), twips::fromPixels(size.height())));
    apply();
}

void TwipsControl::apply()
{
    setGeometry(pixelRect(m_twips));
}
