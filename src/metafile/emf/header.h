#pragma once

#include "base/result.h"

#include <QByteArrayView>
#include <QRect>
#include <QSize>

#include <cstdint>

namespace metafile::emf {

struct Header
{
    // The picture's bounds in device units and its frame in hundredths of a millimetre.
    QRect bounds;
    QRect frame;
    // The reference device, in pixels and in millimetres.
    QSize devicePixels;
    QSize deviceMillimetres;
    uint32_t handles = 0;
};

// The header record, or why the bytes are not an enhanced metafile.
Result<Header> readHeader(QByteArrayView data);

} // namespace metafile::emf
