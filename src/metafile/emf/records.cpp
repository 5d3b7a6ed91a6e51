#include "metafile/emf/records.h"

#include "metafile/drawing/skip.h"

namespace metafile::emf {

namespace {

constexpr RecordName kNames[] = {
#define POTERO_EMF_NAME(name, number) {number, #name},
    POTERO_EMF_RECORDS(POTERO_EMF_NAME)
#undef POTERO_EMF_NAME
};

} // namespace

Error recordError(uint32_t type, qsizetype offset, const QString &why)
{
    return metafile::recordError(kNames, "EMR", type, offset, why);
}

} // namespace metafile::emf
