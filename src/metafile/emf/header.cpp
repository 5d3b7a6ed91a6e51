#include "metafile/emf/header.h"

#include "metafile/drawing/bytereader.h"
#include "metafile/emf/records.h"

namespace metafile::emf {

namespace {

constexpr uint32_t kSignature = 0x464D4520; // " EMF"
constexpr uint32_t kMinHeaderSize = 88;

QRect readRectl(ByteReader &r)
{
    const int left = r.i32(), top = r.i32(), right = r.i32(), bottom = r.i32();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

Result<Header> readHeader(QByteArrayView data)
{
    const auto fail = [](const char *why) {
        return Error{QStringLiteral("EMF header: %1").arg(QLatin1String(why)), 0};
    };
    ByteReader r(data);
    const uint32_t type = r.u32(), size = r.u32();
    Header h;
    h.bounds = readRectl(r);
    h.frame = readRectl(r);
    const uint32_t signature = r.u32();
    r.skip(4 + 4 + 4);
    h.handles = r.u16();
    r.skip(2 + 4 + 4 + 4);
    const int dx = r.i32(), dy = r.i32(), mx = r.i32(), my = r.i32();
    if (!r.ok())
        return fail("cut short");
    if (type != rec::kHeader || signature != kSignature)
        return fail("not an enhanced metafile");
    if (size < kMinHeaderSize || size > uint64_t(data.size()))
        return fail("header size out of range");
    h.devicePixels = QSize(dx, dy);
    h.deviceMillimetres = QSize(mx, my);
    return h;
}

} // namespace metafile::emf
