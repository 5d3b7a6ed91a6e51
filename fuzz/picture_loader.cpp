#include "decoder/pictureloader.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {
// The parts the program shows: the sign's corner, and the signboard's part inside the window.
const QRect kSign(0, 0, 52, 32);
constexpr int kWindowWidth = 728;
constexpr int kWindowHeight = 219;

// The readers' complaints about broken input would drown the fuzzer's own report.
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

// Fontconfig keeps what it loads for the first use of a face in caches of its own, which the
// leak checker cannot see as reachable; they are not the loader's.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // A metafile's text needs fonts, as in the program; the offscreen platform has no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(dropMessage);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

// Both ways the program decodes, with the program's own caps: a header that claims a huge
// picture must be refused or bounded by them, not by a cap of the fuzzer's.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char *>(data), qsizetype(size));
    buffer.open(QIODevice::ReadOnly);
    {
        const auto sign = decodePicture(buffer, kSign);
        // Rendering reads every pixel the decoder claims to have made.
        if (sign.ok())
            sign->render(kSign, 1.0);
    }
    buffer.seek(0);
    const auto board = decodePicture(buffer);
    if (board.ok()) {
        const QSize natural = board->naturalSize();
        const QRect visible(0, 0, std::min(natural.width(), kWindowWidth),
                            std::min(natural.height(), kWindowHeight));
        board->render(visible, 1.0);
    }
    return 0;
}
