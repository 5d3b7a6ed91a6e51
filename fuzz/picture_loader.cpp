#include "platform/pictureloader.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>

namespace {
// Well below the program's cap, so a header that claims a huge picture costs no time here; the
// cap itself is the same check at another value.
constexpr qint64 kFuzzMaxDecodedBytes = qint64(16) << 20;

// The readers' complaints about broken input would drown the fuzzer's own report.
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(dropMessage);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char *>(data), qsizetype(size));
    buffer.open(QIODevice::ReadOnly);
    try {
        const Picture picture = decodePicture(buffer, kFuzzMaxDecodedBytes);
        // Drawing reads every pixel the decoder claims to have made.
        QImage canvas(64, 48, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        picture.draw(painter);
    } catch (const PictureLoadError &) {
    }
    return 0;
}
