// The bus view's own timings, in the window the user sees:
//  - door runs against their model, steps x v x 200 ns, for both doors at several speeds;
//  - an arrow key to the new sign picture painted, for 52 x 32 BMP, GIF and JPEG;
//  - CPU time used while idle before and after a door run.
// Run under an X server (./dev bench) or QT_QPA_PLATFORM=offscreen.

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "panel/frmset.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double idleCpu(int ms)
{
    // A plain event loop: qWait would wake every few milliseconds by itself.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    const double before = cpuSeconds();
    loop.exec();
    return cpuSeconds() - before;
}

// Counts paints of one widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void benchDoors(Form1 &form)
{
    frmSet *panel = form.panel();
    std::printf("door runs (model = steps x v x 200 ns)\n");
    for (int v : {1, 100, 1000, 10000, 30000}) {
        panel->HScroll1->setValue(v);
        panel->HScroll2->setValue(v);
        QElapsedTimer timer;
        timer.start();
        panel->Check1->click(); // open: 561 steps
        const double front = timer.nsecsElapsed() / 1e9;
        panel->Check1->click(); // close again: 581 steps
        const double frontModel = 561 * v * 200e-9;
        timer.restart();
        panel->Check2->click(); // open: sound, then 1111 steps
        const double middle = timer.nsecsElapsed() / 1e9;
        panel->Check2->click();
        const double middleModel = 1111 * v * 200e-9;
        std::printf("  v=%5d  front %8.4f s (model %8.4f, %+6.1f %%, %5.1f us/step)   middle %8.4f "
                    "s (model %8.4f, "
                    "%+6.1f %%)\n",
                    v, front, frontModel, 100 * (front - frontModel) / frontModel,
                    front / 561 * 1e6, middle, middleModel,
                    100 * (middle - middleModel) / middleModel);
    }
}

void benchArrowKey(Form1 &form, const QString &folder)
{
    PaintCounter counter;
    form.ImgDesiMaku->installEventFilter(&counter);
    form.SignFolder = folder;
    form.picDir();
    form.Picture1->setFocus();
    std::vector<double> times;
    for (int i = 0; i < 200; ++i) {
        const int before = counter.paints;
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(form.Picture1, i % 2 ? Qt::Key_Up : Qt::Key_Down);
        while (counter.paints == before && timer.elapsed() < 1000)
            QCoreApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    form.ImgDesiMaku->removeEventFilter(&counter);
    std::printf("  %-5s median %.3f ms, max %.3f ms\n", qPrintable(QFileInfo(folder).fileName()),
                median(times), *std::max_element(times.begin(), times.end()));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Form1 form;
    form.setIniPath(dir.filePath(QStringLiteral("bench.ini")));
    form.load();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));

    std::printf("idle CPU before any run: %.4f s in 2 s\n", idleCpu(2000));
    benchDoors(form);
    std::printf("idle CPU after the runs: %.4f s in 2 s\n", idleCpu(2000));

    std::printf("arrow key to the new sign picture painted (52 x 32)\n");
    const QString gif = QStringLiteral(POTERO_TEST_DATA "/pictures/sign.gif");
    for (const char *format : {"bmp", "gif", "jpg"}) {
        const QString folder = dir.filePath(QString::fromLatin1(format));
        QDir().mkpath(folder);
        for (const char *name : {"a", "b"}) {
            const QString path = folder + "/" + name + "." + format;
            if (QLatin1String(format) == QLatin1String("gif")) {
                QFile::copy(gif, path);
            } else {
                QImage image(52, 32, QImage::Format_RGB32);
                image.fill(name[0] == 'a' ? Qt::red : Qt::blue);
                image.save(path, format[0] == 'b' ? "BMP" : "JPEG");
            }
        }
        benchArrowKey(form, folder);
    }
    return 0;
}
