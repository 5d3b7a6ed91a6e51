#pragma once

#include <QByteArrayView>
#include <QRect>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace metafile {

class Canvas;

namespace wmf {

struct Header
{
    bool placeable = false;
    // The placeable header's frame, in logical units, and its logical units per inch.
    QRect bounds;
    int unitsPerInch = 0;
    qsizetype recordsOffset = 0;
    uint32_t objects = 0;
};

// The placeable header (when there is one) and the metafile header; nullopt with a reason
// when the bytes are not a Windows metafile.
std::optional<Header> readHeader(QByteArrayView data, QString *error);

// Calls visit for each record in turn with its function and its parameter bytes, until the
// end record, the end of the bytes, a record whose size does not fit, the record cap, or
// visit returning false. Returns the number of records visited.
int forEachRecord(QByteArrayView data, const Header &header,
                  const std::function<bool(uint16_t, QByteArrayView)> &visit);

// The window the picture is drawn in: its origin and extent as set before the first drawing
// record; nullopt when no extent is set by then.
std::optional<QRectF> initialWindow(QByteArrayView data, const Header &header);

void play(QByteArrayView data, const Header &header, Canvas &canvas);

} // namespace wmf
} // namespace metafile
