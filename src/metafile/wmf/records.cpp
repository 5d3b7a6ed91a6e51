#include "metafile/wmf/records.h"

#include "metafile/drawing/skip.h"

namespace metafile::wmf {

namespace {

constexpr RecordName kNames[] = {
#define POTERO_WMF_NAME(name, number) {number, #name},
    POTERO_WMF_RECORDS(POTERO_WMF_NAME)
#undef POTERO_WMF_NAME
};

} // namespace

Error recordError(uint16_t function, qsizetype offset, const QString &why)
{
    return metafile::recordError(kNames, "META", function, offset, why);
}

} // namespace metafile::wmf
