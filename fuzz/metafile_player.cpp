#include "metafile/metafile.h"

#include <QImage>
#include <QRect>

#include <algorithm>
#include <cstddef>
#include <cstdint>

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
