#pragma once

#include <QByteArrayView>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace metafile {

class Canvas;

namespace emf {

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

// The header record; nullopt with a reason when the bytes are not an enhanced metafile.
std::optional<Header> readHeader(QByteArrayView data, QString *error);

// Calls visit for each record after the header with its type and its bytes (the 8-byte
// record header included, since offsets inside a record count from its start), until
// the end record, the end of the bytes, a record whose size does not fit, the record cap, or
// visit returning false. Returns the number of records visited.
int forEachRecord(QByteArrayView data, const std::function<bool(uint32_t, QByteArrayView)> &visit);

void play(QByteArrayView data, const Header &header, Canvas &canvas);

} // namespace emf
} // namespace metafile
