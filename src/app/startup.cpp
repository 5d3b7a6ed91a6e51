#include "app/startup.h"

#include "app/form1.h"
#include "platform/fonts.h"

#include <QApplication>

int runPotero(int argc, char *argv[], const std::function<void(Form1 &)> &beforeLoop)
{
    // Window places and a panel kept on top need an X server; on Wayland, run through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    fonts::installSubstitutes();

    Form1 form;
    QObject::connect(&form, &Form1::unloaded, &app, &QApplication::quit);
    form.load();
    form.show();
    if (beforeLoop)
        beforeLoop(form);
    return app.exec();
}
