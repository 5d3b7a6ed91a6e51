#pragma once

#include "busview/twipscontrol.h"
#include <QPixmap>

// A picture without a background of its own. Stretched, it squeezes its picture into its
// rectangle; otherwise it takes the picture's logical size.
class ImageControl : public TwipsControl
{
    Q_OBJECT
public:
    explicit ImageControl(QWidget *parent = nullptr);

    void setStretch(bool stretch);
    bool stretch() const { return m_stretch; }
    void setPicture(const QPixmap &picture);
    const QPixmap &picture() const { return m_picture; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPixmap m_picture;
    bool m_stretch = false;
    bool m_leftDown = false;
};
