#include "settings/settingsrecord.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Reading must never crash; what reads must come back unchanged from its own bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    SettingsRead first;
    const Status parsed = SettingsRecord::parse(bytes, first);
    if (first.fieldsRead < 0 || first.fieldsRead > SettingsRecord::kFieldCount)
        std::abort();
    if (parsed && !first.complete())
        std::abort();
    if (!parsed)
        return 0;
    const QByteArray written = first.record.format();
    SettingsRead second;
    if (const Status again = SettingsRecord::parse(written, second); !again) {
        std::fprintf(stderr, "written record does not read back: %s\n",
                     qPrintable(again.error().message));
        std::abort();
    }
    if (!(second.record == first.record)) {
        std::fprintf(stderr, "record changed through its own bytes\n");
        std::abort();
    }
    if (second.record.format() != written)
        std::abort();
    return 0;
}
