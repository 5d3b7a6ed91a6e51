// The smallest Qt Widgets program with a window of the bus's size; it prints when its first
// frame is painted, as potero does under POTERO_BENCH_FIRST_FRAME.
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>

class Bare : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(rect(), Qt::gray);
        if (!m_painted) {
            m_painted = true;
            std::printf("first-frame\n");
            std::fflush(stdout);
            QTimer::singleShot(200, qApp, &QApplication::quit);
        }
    }

private:
    bool m_painted = false;
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Bare window;
    window.setFixedSize(728, 219);
    window.show();
    return app.exec();
}
