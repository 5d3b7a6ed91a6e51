#pragma once

#include "controls/twipscontrol.h"
#include <QColor>
#include <QPixmap>

// A flat, borderless box with a background colour and an optional picture at its top-left
// corner; it holds other controls and takes its own mouse presses, so they never reach the
// window beneath.
class PictureBox : public TwipsControl
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setBackColor(const QColor &color);
    void setPicture(const QPixmap &picture);
    // A part of a larger picture, drawn with its top-left corner at at.
    void setPicture(const QPixmap &part, QPoint at);
    const QPixmap &picture() const { return m_picture; }

signals:
    void clicked();
    void mousePressed(Qt::MouseButton button, QPoint position);
    // A key went down (auto-repeats included), as a key code: 38 Up, 40 Down, else the Qt key.
    void keyDown(int keyCode, int shift);
    void doubleClicked();
    void mouseMoved(Qt::MouseButtons buttons, QPoint position);
    void mouseReleased(Qt::MouseButton button, QPoint position);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QColor m_backColor = Qt::white;
    QPixmap m_picture;
    QPoint m_pictureAt;
    bool m_leftDown = false;
};
