#pragma once

#include "controls/twipscontrol.h"
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
    // A picture of the given logical size of which only the part at its top-left corner is
    // at hand: the control takes the whole size and shows that part.
    void setPicture(const QPixmap &shownPart, QSize size);
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
