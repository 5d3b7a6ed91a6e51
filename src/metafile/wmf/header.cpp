#include "metafile/wmf/header.h"

#include "metafile/drawing/bytereader.h"

namespace metafile::wmf {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr qsizetype kPlaceableSize = 22;
constexpr qsizetype kHeaderSize = 18;

} // namespace

Result<Header> readHeader(QByteArrayView data)
{
    const auto fail = [](const char *why) {
        return Error{QStringLiteral("WMF header: %1").arg(QLatin1String(why)), 0};
    };
    Header h;
    ByteReader r(data);
    if (r.u32() == kPlaceableKey) {
        h.placeable = true;
        r.skip(2);
        const int left = r.i16(), top = r.i16(), right = r.i16(), bottom = r.i16();
        h.unitsPerInch = r.u16();
        r.skip(6);
        if (!r.ok())
            return fail("placeable header cut short");
        h.bounds = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).normalized();
        if (right == left || bottom == top || h.unitsPerInch == 0)
            return fail("placeable header has an empty frame");
        h.recordsOffset = kPlaceableSize;
    } else {
        r = ByteReader(data);
    }
    const uint16_t type = r.u16(), headerWords = r.u16();
    r.skip(2 + 4);
    h.objects = r.u16();
    if (!r.ok())
        return fail("metafile header cut short");
    if ((type != 1 && type != 2) || headerWords != kHeaderSize / 2)
        return fail("not a metafile header");
    h.recordsOffset += kHeaderSize;
    return h;
}

} // namespace metafile::wmf
