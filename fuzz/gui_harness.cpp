// Start-up of the targets that draw: text needs fonts, and fonts need a GUI application.
#include <QGuiApplication>

#include <cstdlib>

namespace {
// The readers' complaints about broken input would drown the fuzzer's own report.
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

// Fontconfig keeps what it loads for the first use of a face in caches of its own, which the
// leak checker cannot see as reachable; they are not the program's.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The offscreen platform has no display to wait for.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(dropMessage);
    static QGuiApplication app(*argc, *argv);
    return 0;
}
