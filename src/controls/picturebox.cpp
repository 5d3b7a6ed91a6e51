#include "controls/picturebox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget *parent) : TwipsControl(parent) {}

void PictureBox::setBackColor(const QColor &color)
{
    m_backColor = color;
    update();
}

void PictureBox::setPicture(const QPixmap &picture)
{
    setPicture(picture, QPoint(0, 0));
}

void PictureBox::setPicture(const QPixmap &part, QPoint at)
{
    m_picture = part;
    m_pictureAt = at;
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_backColor);
    if (!m_picture.isNull())
        painter.drawPixmap(m_pictureAt, m_picture);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        m_leftDown = true;
    emit mousePressed(event->button(), event->position().toPoint());
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    emit mouseReleased(event->button(), event->position().toPoint());
    if (event->button() != Qt::LeftButton || !m_leftDown)
        return;
    m_leftDown = false;
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    int code = event->key();
    if (code == Qt::Key_Up)
        code = 38;
    else if (code == Qt::Key_Down)
        code = 40;
    else if (code == 38 || code == 40)
        code = 0; // '&' and '(' share those numbers in Qt; they are not arrows
    int shift = 0;
    if (event->modifiers() & Qt::ShiftModifier)
        shift |= 1;
    if (event->modifiers() & Qt::ControlModifier)
        shift |= 2;
    if (event->modifiers() & Qt::AltModifier)
        shift |= 4;
    event->accept();
    emit keyDown(code, shift);
}

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    emit mouseMoved(event->buttons(), event->position().toPoint());
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}
