// The baseline: the smallest Qt Widgets program with one window of the bus's size painting a
// pixmap, watched for its first frame exactly as potero is.
#include "firstframe.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

class Bare : public QWidget
{
public:
    Bare() : m_picture(728, 219) { m_picture.fill(Qt::gray); }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawPixmap(0, 0, m_picture); }

private:
    QPixmap m_picture;
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Bare window;
    window.setFixedSize(728, 219);
    window.show();
    FirstFrame watch(&window);
    return app.exec();
}
