#include "platform/metafile/wmf/records.h"

namespace metafile::wmf {

namespace {

struct Named
{
    uint16_t function;
    const char *name;
};

constexpr Named kNames[] = {
#define POTERO_WMF_NAME(name, number) {number, #name},
    POTERO_WMF_RECORDS(POTERO_WMF_NAME)
#undef POTERO_WMF_NAME
};

} // namespace

QString recordName(uint16_t function)
{
    for (const Named &named : kNames) {
        if (named.function == function)
            return QStringLiteral("META_") + QString::fromLatin1(named.name).toUpper();
    }
    return QStringLiteral("META record 0x%1").arg(function, 4, 16, QLatin1Char('0'));
}

Error recordError(uint16_t function, qsizetype offset, const QString &why)
{
    return Error{recordName(function) + QStringLiteral(": ") + why, offset, function};
}

} // namespace metafile::wmf
