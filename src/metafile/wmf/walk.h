#pragma once

#include "base/result.h"
#include "metafile/wmf/header.h"

#include <QByteArrayView>
#include <QRectF>

#include <cstdint>
#include <functional>
#include <optional>

namespace metafile::wmf {

// One record as the walk finds it: its function, where it starts in the file, and its
// parameter bytes (the 6-byte record header left out).
struct Record
{
    uint16_t function = 0;
    qsizetype offset = 0;
    QByteArrayView params;
};

// Calls visit for each record in turn until the end record, the end of the bytes, the record
// cap, or visit returning false. A record whose size does not fit ends the walk, and is the
// error returned.
Status forEachRecord(QByteArrayView data, const Header &header,
                     const std::function<bool(const Record &)> &visit);

// The window the picture is drawn in: its origin and extent as set before the first drawing
// record; nullopt when no extent is set by then.
std::optional<QRectF> initialWindow(QByteArrayView data, const Header &header);

// The box of the places a picture that sets no window draws at, read off its drawing records'
// coordinates as the default mapping takes them (one unit a pixel, the window's and viewport's
// origins applied), without playing them; nullopt when it draws nowhere.
std::optional<QRectF> drawnBounds(QByteArrayView data, const Header &header);

} // namespace metafile::wmf
