// Any bytes as a WAVE file image: the parser refuses or gives samples that lie inside them.
#include "platform/wavefile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const Result<wavefile::Wave> result = wavefile::parse(bytes);
    if (!result)
        return 0;
    const wavefile::Wave &wave = *result;
    const char *begin = bytes.data();
    if (wave.samples.data() < begin ||
        wave.samples.data() + wave.samples.size() > begin + bytes.size())
        std::abort();
    if (wave.format.bytesPerFrame() <= 0 ||
        wave.frames() * wave.format.bytesPerFrame() > wave.samples.size())
        std::abort();
    unsigned sum = 0;
    for (char sample : wave.samples)
        sum += static_cast<unsigned char>(sample);
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
