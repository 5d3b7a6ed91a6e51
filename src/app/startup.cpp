#include "app/startup.h"

#include "app/form1.h"
#include "app/sessionend.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdlib>

namespace {

// The main window while the event loop runs. When the X server goes away, the toolkit ends the
// process with exit() from inside the loop; the unload's save still runs then.
Form1 *s_running = nullptr;

void saveAtExit()
{
    if (s_running)
        s_running->unloadAtExit();
}

} // namespace

bool installToolkitTranslations(const QLocale &locale)
{
    auto *translator = new QTranslator(qApp);
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

int runPotero(int argc, char *argv[], const std::function<void(Form1 &)> &beforeLoop)
{
#ifdef Q_OS_LINUX
    // Window places and a panel kept on top need an X server; on Wayland, run through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
#endif
    // The program takes no arguments: the toolkit sees the program's name alone, so that none
    // of its own options (-reverse, -style, -platform ...) applies.
    int toolkitArgc = argc > 0 ? 1 : 0;
    QApplication app(toolkitArgc, argv);
    fonts::installSubstitutes();
    installToolkitTranslations(QLocale::system());
    SessionEnd sessionEnd;

    Form1 form;
    QObject::connect(&form, &Form1::unloaded, &app, &QApplication::quit);
    QObject::connect(&sessionEnd, &SessionEnd::ended, &form, &Form1::unload);
    form.load();
    form.show();
    if (beforeLoop)
        beforeLoop(form);
    // Registered after the toolkit has set itself up, so it runs before the toolkit's own
    // clean-up at exit.
    static const bool atExitRegistered = std::atexit(saveAtExit) == 0;
    Q_UNUSED(atExitRegistered);
    s_running = &form;
    const int code = app.exec();
    s_running = nullptr;
    return code;
}
