#pragma once

#include "base/result.h"

#include <QByteArrayView>
#include <QRect>

#include <cstdint>

namespace metafile::wmf {

struct Header
{
    bool placeable = false;
    // The placeable header's frame, in logical units, and its logical units per inch.
    QRect bounds;
    int unitsPerInch = 0;
    qsizetype recordsOffset = 0;
    uint32_t objects = 0;
};

// The placeable header (when there is one) and the metafile header, or why the bytes are not a
// Windows metafile.
Result<Header> readHeader(QByteArrayView data);

} // namespace metafile::wmf
