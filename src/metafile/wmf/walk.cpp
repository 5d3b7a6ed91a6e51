#include "metafile/wmf/walk.h"

#include "metafile/drawing/bytereader.h"
#include "metafile/drawing/limits.h"
#include "metafile/wmf/records.h"

#include <algorithm>
#include <iterator>
#include <tuple>

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
    std::ignore = forEachRecord(data, header, [&](const Record &record) {
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

std::optional<QRectF> drawnBounds(QByteArrayView data, const Header &header)
{
    QPointF windowOrg, viewportOrg, position;
    std::optional<QPointF> least, most;
    const auto add = [&](QPointF logical) {
        const QPointF at = logical - windowOrg + viewportOrg;
        least = least ? QPointF(std::min(least->x(), at.x()), std::min(least->y(), at.y())) : at;
        most = most ? QPointF(std::max(most->x(), at.x()), std::max(most->y(), at.y())) : at;
    };
    const auto addBox = [&](ByteReader &p) { // bottom, right, top, left
        const int bottom = p.i16(), right = p.i16(), top = p.i16(), left = p.i16();
        if (p.ok()) {
            add(QPointF(left, top));
            add(QPointF(right, bottom));
        }
    };
    const auto point = [](ByteReader &p) { // y, then x
        const int y = p.i16(), x = p.i16();
        return QPointF(x, y);
    };
    const auto addPoints = [&](ByteReader &p, int count) { // x, then y
        for (int i = 0; i < count && p.ok(); ++i) {
            const int x = p.i16(), y = p.i16();
            if (p.ok())
                add(QPointF(x, y));
        }
    };
    std::ignore = forEachRecord(data, header, [&](const Record &record) {
        ByteReader p(record.params);
        switch (record.function) {
        case fn::kSetWindowOrg:
            windowOrg = point(p);
            break;
        case fn::kOffsetWindowOrg:
            windowOrg += point(p);
            break;
        case fn::kSetViewportOrg:
            viewportOrg = point(p);
            break;
        case fn::kOffsetViewportOrg:
            viewportOrg += point(p);
            break;
        case fn::kMoveTo:
            position = point(p);
            break;
        case fn::kLineTo:
            add(position);
            position = point(p);
            add(position);
            break;
        case fn::kRectangle:
        case fn::kEllipse:
            addBox(p);
            break;
        case fn::kRoundRect:
            p.skip(4);
            addBox(p);
            break;
        case fn::kArc:
        case fn::kPie:
        case fn::kChord:
            p.skip(8);
            addBox(p);
            break;
        case fn::kPolygon:
        case fn::kPolyline:
            addPoints(p, p.i16());
            break;
        case fn::kPolyPolygon: {
            const int polygons = p.u16();
            int points = 0;
            for (int i = 0; i < polygons && p.ok(); ++i)
                points += p.u16();
            addPoints(p, points);
            break;
        }
        case fn::kTextOut: {
            p.skip((p.i16() + 1) / 2 * 2);
            add(point(p));
            break;
        }
        case fn::kExtTextOut: {
            add(point(p));
            p.skip(2);
            if (p.u16() & 0x0006) { // opaque or clipped: the rectangle, left, top, right, bottom
                const int left = p.i16(), top = p.i16(), right = p.i16(), bottom = p.i16();
                if (p.ok()) {
                    add(QPointF(left, top));
                    add(QPointF(right, bottom));
                }
            }
            break;
        }
        case fn::kSetPixel:
            p.skip(4);
            add(point(p));
            break;
        case fn::kPatBlt:
        case fn::kDibStretchBlt:
        case fn::kStretchDib: {
            // The destination's height, width, top and left close the fixed fields.
            p.skip(record.function == fn::kPatBlt       ? 4
                   : record.function == fn::kStretchDib ? 14
                                                        : 12);
            const int height = p.i16(), width = p.i16();
            const QPointF at = point(p);
            if (p.ok()) {
                add(at);
                add(at + QPointF(width, height));
            }
            break;
        }
        default:
            break;
        }
        return true;
    });
    if (!least || !(most->x() > least->x()) || !(most->y() > least->y()))
        return std::nullopt;
    return QRectF(*least, *most);
}

} // namespace metafile::wmf
