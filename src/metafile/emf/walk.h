#pragma once

#include "base/result.h"

#include <QByteArrayView>

#include <cstdint>
#include <functional>

namespace metafile::emf {

// One record as the walk finds it: its type, where it starts in the file, and its bytes with
// the 8-byte record header included, since offsets inside a record count from its start.
struct Record
{
    uint32_t type = 0;
    qsizetype offset = 0;
    QByteArrayView bytes;
};

// Calls visit for each record after the header in turn until the end record, the end of the
// bytes, the record cap, or visit returning false. A record whose size does not fit ends the
// walk, and is the error returned.
Status forEachRecord(QByteArrayView data, const std::function<bool(const Record &)> &visit);

} // namespace metafile::emf
