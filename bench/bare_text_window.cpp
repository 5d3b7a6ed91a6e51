// The fair anchor: the bus's window painting a pixmap, and a tool window of a dozen Japanese
// labels and buttons, the least a program with text pays for its fonts. Watched for its first
// frame exactly as potero is.
#include "barepicture.h"
#include "firstframe.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setFont(QFont(QStringLiteral("IPAPGothic"), 9));
    BarePicture window;
    QWidget panel(&window, Qt::Tool | Qt::WindowStaysOnTopHint);
    auto *grid = new QGridLayout(&panel);
    const char *texts[] = {"前扉", "中扉", "速度", "設定", "参照", "バージョン"};
    for (int i = 0; i < 6; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(texts[i]), &panel), i, 0);
        grid->addWidget(new QPushButton(QString::fromUtf8(texts[5 - i]), &panel), i, 1);
    }
    window.show();
    panel.show();
    FirstFrame watch(&window);
    return app.exec();
}
