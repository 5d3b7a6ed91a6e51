#include "metafile/drawing/regiondata.h"

#include "metafile/drawing/bytereader.h"
#include "metafile/drawing/limits.h"

#include <QList>
#include <QRect>

namespace metafile {

namespace {

QRect fromEdges(int left, int top, int right, int bottom)
{
    return QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                 QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
}

// Rectangles from a file need not be sorted or disjoint, so they are united pairwise, level by
// level, which stays fast for long lists.
QRegion fromRects(const QList<QRect> &rects)
{
    QList<QRegion> level;
    level.reserve(rects.size());
    for (const QRect &rect : rects)
        level.append(QRegion(rect));
    while (level.size() > 1) {
        QList<QRegion> next;
        next.reserve((level.size() + 1) / 2);
        for (qsizetype i = 0; i + 1 < level.size(); i += 2)
            next.append(level[i].united(level[i + 1]));
        if (level.size() % 2)
            next.append(level.last());
        level.swap(next);
    }
    return level.isEmpty() ? QRegion() : level.first();
}

} // namespace

std::optional<QRegion> readWmfRegion(QByteArrayView bytes)
{
    ByteReader r(bytes);
    r.skip(2 + 2 + 4 + 2);
    const int scanCount = r.i16();
    r.skip(2);
    const int left = r.i16(), top = r.i16(), right = r.i16(), bottom = r.i16();
    if (!r.ok())
        return std::nullopt;
    if (scanCount <= 0)
        return QRegion(fromEdges(left, top, right, bottom));
    QList<QRect> rects;
    for (int scan = 0; scan < scanCount; ++scan) {
        const int count = r.u16();
        const int scanTop = r.i16(), scanBottom = r.i16();
        if (!r.ok() || count % 2 || rects.size() + count / 2 > qsizetype(limits::kMaxRegionRects))
            return std::nullopt;
        for (int i = 0; i < count / 2; ++i) {
            const int x0 = r.i16(), x1 = r.i16();
            if (x1 > x0 && scanBottom > scanTop)
                rects.append(fromEdges(x0, scanTop, x1, scanBottom));
        }
        r.skip(2);
        if (!r.ok())
            return std::nullopt;
    }
    return fromRects(rects);
}

std::optional<QRegion> readEmfRegion(QByteArrayView bytes)
{
    ByteReader r(bytes);
    const uint32_t headerSize = r.u32();
    r.skip(4);
    const uint32_t count = r.u32();
    r.skip(4 + 16);
    if (!r.ok() || headerSize < 32 || count > limits::kMaxRegionRects)
        return std::nullopt;
    r.skip(headerSize - 32);
    if (uint64_t(count) * 16 > uint64_t(r.remaining()))
        return std::nullopt;
    QList<QRect> rects;
    rects.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const int left = r.i32(), top = r.i32(), right = r.i32(), bottom = r.i32();
        if (right > left && bottom > top)
            rects.append(fromEdges(left, top, right, bottom));
    }
    return fromRects(rects);
}

} // namespace metafile
