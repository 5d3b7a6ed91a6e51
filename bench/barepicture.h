#pragma once

#include <QPainter>
#include <QPixmap>
#include <QWidget>

// The baselines' main window: the bus's size, painting one pixmap and nothing else.
class BarePicture : public QWidget
{
public:
    BarePicture() : m_picture(728, 219)
    {
        m_picture.fill(Qt::gray);
        setFixedSize(728, 219);
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawPixmap(0, 0, m_picture); }

private:
    QPixmap m_picture;
};
