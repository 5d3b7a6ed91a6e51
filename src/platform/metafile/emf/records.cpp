#include "platform/metafile/emf/records.h"

namespace metafile::emf {

namespace {

struct Named
{
    uint32_t type;
    const char *name;
};

constexpr Named kNames[] = {
#define POTERO_EMF_NAME(name, number) {number, #name},
    POTERO_EMF_RECORDS(POTERO_EMF_NAME)
#undef POTERO_EMF_NAME
};

} // namespace

QString recordName(uint32_t type)
{
    for (const Named &named : kNames) {
        if (named.type == type)
            return QStringLiteral("EMR_") + QString::fromLatin1(named.name).toUpper();
    }
    return QStringLiteral("EMR record %1").arg(type);
}

Error recordError(uint32_t type, qsizetype offset, const QString &why)
{
    return Error{recordName(type) + QStringLiteral(": ") + why, offset, int(type)};
}

} // namespace metafile::emf
