#include "platform/metafile/emfplayer.h"

#include "platform/metafile/drawing/bytereader.h"
#include "platform/metafile/emfrecords.h"
#include "platform/metafile/drawing/limits.h"

namespace metafile::emf {

namespace {

constexpr uint32_t kSignature = 0x464D4520; // " EMF"
constexpr uint32_t kMinHeaderSize = 88;
constexpr qsizetype kRecordHeader = 8;

QRect readRectl(ByteReader &r)
{
    const int left = r.i32(), top = r.i32(), right = r.i32(), bottom = r.i32();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

std::optional<Header> readHeader(QByteArrayView data, QString *error)
{
    auto fail = [&](const char *why) {
        if (error)
            *error = QStringLiteral("EMF header: %1").arg(QLatin1String(why));
        return std::nullopt;
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

int forEachRecord(QByteArrayView data, const std::function<bool(uint32_t, QByteArrayView)> &visit)
{
    ByteReader r(data);
    r.skip(4);
    r.skip(qsizetype(r.u32()) - 8);
    int count = 0;
    while (r.ok() && r.remaining() >= kRecordHeader && count < limits::kMaxRecords) {
        const uint32_t type = r.u32();
        const uint32_t size = r.u32();
        if (size < kRecordHeader ||
            uint64_t(size) - uint64_t(kRecordHeader) > uint64_t(r.remaining()))
            break;
        const qsizetype start = r.pos() - kRecordHeader;
        r.skip(qsizetype(size - kRecordHeader));
        ++count;
        if (type == rec::kEof || !visit(type, r.bytes().sliced(start, qsizetype(size))))
            break;
    }
    return count;
}

} // namespace metafile::emf
