#include "decoder/pictureloader.h"

#include <QBuffer>
#include <QImage>
#include <QRect>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {
// The parts the program shows: the sign's corner, and the signboard's part inside the window.
const QRect kSign(0, 0, 52, 32);
constexpr int kWindowWidth = 728;
constexpr int kWindowHeight = 219;
} // namespace

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
