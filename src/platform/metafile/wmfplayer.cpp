#include "platform/metafile/wmfplayer.h"

#include "platform/metafile/drawing/bytereader.h"
#include "platform/metafile/drawing/limits.h"
#include "platform/metafile/wmfrecords.h"

namespace metafile::wmf {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr qsizetype kPlaceableSize = 22;
constexpr qsizetype kHeaderSize = 18;
constexpr qsizetype kRecordHeader = 6;

bool isDrawing(uint16_t function)
{
    switch (function) {
    case fn::kLineTo:
    case fn::kPolyline:
    case fn::kPolygon:
    case fn::kPolyPolygon:
    case fn::kRectangle:
    case fn::kRoundRect:
    case fn::kEllipse:
    case fn::kArc:
    case fn::kPie:
    case fn::kChord:
    case fn::kTextOut:
    case fn::kExtTextOut:
    case fn::kPatBlt:
    case fn::kBitBlt:
    case fn::kStretchBlt:
    case fn::kDibBitBlt:
    case fn::kDibStretchBlt:
    case fn::kStretchDib:
    case fn::kSetDibToDev:
    case fn::kSetPixel:
    case fn::kFillRegion:
    case fn::kFrameRegion:
    case fn::kPaintRegion:
    case fn::kInvertRegion:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<Header> readHeader(QByteArrayView data, QString *error)
{
    auto fail = [&](const char *why) {
        if (error)
            *error = QStringLiteral("WMF header: %1").arg(QLatin1String(why));
        return std::nullopt;
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

int forEachRecord(QByteArrayView data, const Header &header,
                  const std::function<bool(uint16_t, QByteArrayView)> &visit)
{
    ByteReader r(data);
    r.skip(header.recordsOffset);
    int count = 0;
    while (r.ok() && r.remaining() >= kRecordHeader && count < limits::kMaxRecords) {
        const uint64_t bytes = uint64_t(r.u32()) * 2;
        const uint16_t function = r.u16();
        if (bytes < kRecordHeader || bytes - uint64_t(kRecordHeader) > uint64_t(r.remaining()))
            break;
        const ByteReader params = r.sub(qsizetype(bytes - kRecordHeader));
        ++count;
        if (function == fn::kEof || !visit(function, params.bytes()))
            break;
    }
    return count;
}

std::optional<QRectF> initialWindow(QByteArrayView data, const Header &header)
{
    QPointF origin;
    std::optional<QSizeF> extent;
    forEachRecord(data, header, [&](uint16_t function, QByteArrayView bytes) {
        ByteReader p(bytes);
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
