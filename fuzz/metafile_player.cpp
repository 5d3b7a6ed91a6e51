#include "metafile/metafile.h"

#include <QGuiApplication>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

// Fontconfig keeps what it loads for the first use of a face in caches of its own, which the
// leak checker cannot see as reachable; they are not the player's.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Text needs fonts, and fonts need a GUI application; the offscreen platform has no
    // display to wait for.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(dropMessage);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto picture = metafile::Metafile::fromData(bytes);
    if (!picture)
        return 0;
    // The parts the program plays: the sign's 52 x 32 corner, and the signboard's part inside
    // the 728 x 219 window; at ratio 2 as well, where each costs four times the pixels.
    const QSize natural = picture->naturalSize();
    const QRect sign(0, 0, 52, 32);
    const QRect board(0, 0, std::min(natural.width(), 728), std::min(natural.height(), 219));
    for (const qreal ratio : {1.0, 2.0}) {
        picture->render(sign, ratio);
        picture->render(board, ratio);
    }
    return 0;
}
