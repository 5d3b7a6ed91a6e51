#include "metafile/emf/walk.h"

#include "metafile/drawing/bytereader.h"
#include "metafile/drawing/limits.h"
#include "metafile/emf/records.h"

namespace metafile::emf {

namespace {

constexpr qsizetype kRecordHeader = 8;

} // namespace

Status forEachRecord(QByteArrayView data, const std::function<bool(const Record &)> &visit)
{
    ByteReader r(data);
    r.skip(4);
    r.skip(qsizetype(r.u32()) - 8);
    int count = 0;
    while (r.ok() && r.remaining() >= kRecordHeader && count < limits::kMaxRecords) {
        const qsizetype start = r.pos();
        const uint32_t type = r.u32();
        const uint32_t size = r.u32();
        if (size < kRecordHeader ||
            uint64_t(size) - uint64_t(kRecordHeader) > uint64_t(r.remaining()))
            return recordError(type, start, QStringLiteral("size out of range"));
        r.skip(qsizetype(size - kRecordHeader));
        ++count;
        if (type == rec::kEof ||
            !visit(Record{type, start, r.bytes().sliced(start, qsizetype(size))}))
            break;
    }
    return Done{};
}

} // namespace metafile::emf
