#include "metafile/wmf/walk.h"

#include "metafile/drawing/bytereader.h"
#include "metafile/drawing/limits.h"
#include "metafile/wmf/records.h"

#include <algorithm>
#include <iterator>

namespace metafile::wmf {

namespace {

constexpr qsizetype kRecordHeader = 6;

// The records that draw; the window a picture starts with is the one set before the first.
constexpr uint16_t kDrawing[] = {
    fn::kLineTo,     fn::kPolyline,      fn::kPolygon,     fn::kPolyPolygon,  fn::kRectangle,
    fn::kRoundRect,  fn::kEllipse,       fn::kArc,         fn::kPie,          fn::kChord,
    fn::kTextOut,    fn::kExtTextOut,    fn::kPatBlt,      fn::kBitBlt,       fn::kStretchBlt,
    fn::kDibBitBlt,  fn::kDibStretchBlt, fn::kStretchDib,  fn::kSetDibToDev,  fn::kSetPixel,
    fn::kFillRegion, fn::kFrameRegion,   fn::kPaintRegion, fn::kInvertRegion,
};

bool isDrawing(uint16_t function)
{
    return std::find(std::begin(kDrawing), std::end(kDrawing), function) != std::end(kDrawing);
}

} // namespace

Status forEachRecord(QByteArrayView data, const Header &header,
                     const std::function<bool(const Record &)> &visit)
{
    ByteReader r(data);
    r.skip(header.recordsOffset);
    int count = 0;
    while (r.ok() && r.remaining() >= kRecordHeader && count < limits::kMaxRecords) {
        const qsizetype offset = r.pos();
        const uint64_t bytes = uint64_t(r.u32()) * 2;
        const uint16_t function = r.u16();
        if (bytes < kRecordHeader || bytes - uint64_t(kRecordHeader) > uint64_t(r.remaining()))
            return recordError(function, offset, QStringLiteral("size out of range"));
        const ByteReader params = r.sub(qsizetype(bytes - kRecordHeader));
        ++count;
        if (function == fn::kEof || !visit(Record{function, offset, params.bytes()}))
            break;
    }
    return Done{};
}

std::optional<QRectF> initialWindow(QByteArrayView data, const Header &header)
{
    QPointF origin;
    std::optional<QSizeF> extent;
    (void)forEachRecord(data, header, [&](const Record &record) {
        ByteReader p(record.params);
        const uint16_t function = record.function;
        if (function == fn::kSetWindowOrg || function == fn::kSetWindowExt) {
            const int y = p.i16(), x = p.i16();
            if (p.ok() && function == fn::kSetWindowOrg)
                origin = QPointF(x, y);
            else if (p.ok() && x != 0 && y != 0)
                extent = QSizeF(x, y);
        }
        return !isDrawing(function);
    });
    if (!extent)
        return std::nullopt;
    return QRectF(origin, *extent);
}

} // namespace metafile::wmf
