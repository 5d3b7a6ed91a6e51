// Any bytes as what the decoder process sends the program: the parser takes whole messages one
// after another and never lets a size it reads reach past the shared block or the file.
#include "decoder/channel.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The shared block and the file vary with the input, as with every picture.
    const int64_t sharedBytes = size > 0 ? int64_t(data[0]) << 14 : 0;
    const int64_t fileBytes = size > 1 ? int64_t(data[1]) << 12 : 0;
    QByteArrayView rest(reinterpret_cast<const char *>(data), qsizetype(size));
    rest = rest.sliced(std::min<qsizetype>(rest.size(), 2));
    while (!rest.isEmpty()) {
        const auto parsed = channel::parseMessage(rest, sharedBytes, fileBytes);
        if (!parsed || !*parsed)
            return 0;
        const channel::Parsed &message = **parsed;
        if (message.consumed < channel::kMessageBytes || message.consumed > rest.size())
            std::abort();
        if (message.kind == channel::Message::Reply) {
            const QSize pixels = message.reply.pixels;
            if (pixels.width() < 0 || pixels.height() < 0 ||
                int64_t(pixels.width()) * pixels.height() * 4 > sharedBytes)
                std::abort();
        }
        if (message.kind == channel::Message::Read &&
            (message.read.offset < 0 || message.read.offset > fileBytes ||
             message.read.length < 0 || message.read.length > channel::kMaxReadLength))
            std::abort();
        rest = rest.sliced(message.consumed);
    }
    return 0;
}
