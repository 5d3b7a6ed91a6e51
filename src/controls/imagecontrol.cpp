#include "controls/imagecontrol.h"

#include <QMouseEvent>
#include <QPainter>

ImageControl::ImageControl(QWidget *parent) : TwipsControl(parent) {}

void ImageControl::setStretch(bool stretch)
{
    m_stretch = stretch;
    update();
}

void ImageControl::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    if (!m_stretch && !picture.isNull())
        resizeToPixels(picture.deviceIndependentSize().toSize());
    update();
}

void ImageControl::setPicture(const QPixmap &shownPart, QSize size)
{
    m_picture = shownPart;
    if (!m_stretch)
        resizeToPixels(size);
    update();
}

void ImageControl::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_stretch);
    if (m_stretch)
        painter.drawPixmap(rect(), m_picture);
    else
        painter.drawPixmap(0, 0, m_picture);
}

void ImageControl::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    m_leftDown = event->button() == Qt::LeftButton;
}

void ImageControl::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_leftDown)
        return;
    m_leftDown = false;
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}
