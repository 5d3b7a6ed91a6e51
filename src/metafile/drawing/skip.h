#pragma once

#include "base/result.h"
#include "metafile/drawing/bytereader.h"

#include <QString>

#include <cstddef>
#include <cstdint>

// How the record handlers of both formats say why they skip a record. The player names the
// record and where it starts; a handler gives only the reason.
namespace metafile {

inline Error skip(const char *why)
{
    return Error{QString::fromLatin1(why)};
}

// Done when the record held every field read from it and good holds; otherwise why not. A
// record too short for its fields reads zeros past its end, which some handlers still play.
inline Status complete(const ByteReader &p, bool good = true, const char *why = nullptr)
{
    if (!p.ok())
        return skip("cut short");
    return good ? Status(Done{}) : Status(skip(why));
}

// Done when the record held every field read from it and the part read from it (a bitmap, a
// region) could be read; otherwise why not.
template <typename T> Status complete(const ByteReader &p, const Result<T> &part)
{
    return part ? complete(p) : Status(part.error());
}

// The first of two outcomes that is a skip; both are worked out before it chooses.
inline Status firstSkip(const Status &first, const Status &second)
{
    return first.ok() ? second : first;
}

// A record type with its usual name, as a format lists them.
struct RecordName
{
    uint32_t type;
    const char *name;
};

// Why the record of type at offset in the file was skipped or ended the playback, with the type
// as the code. The record is named as its format names it, "EMR_POLYGON16: why" from format
// "EMR" and the listed name Polygon16, or by its number when the list lacks it.
template <size_t N>
Error recordError(const RecordName (&names)[N], const char *format, uint32_t type, qsizetype offset,
                  const QString &why)
{
    QString name = QStringLiteral("%1 record %2").arg(QLatin1String(format)).arg(type);
    for (const RecordName &listed : names) {
        if (listed.type == type)
            name = QLatin1String(format) + u'_' + QString::fromLatin1(listed.name).toUpper();
    }
    return Error{name + QStringLiteral(": ") + why, offset, int(type)};
}

} // namespace metafile
