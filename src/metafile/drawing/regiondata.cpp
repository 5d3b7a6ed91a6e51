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

// Rectangles all the unions that build one region may make together: 16 MB of them, where real
// regions need a small part of it. Offset strips unite into bands whose rectangles grow as the
// square of their count, so each union is charged what it may make before it is made.
constexpr qint64 kMaxBuildRects = 1'000'000;

// Rectangles as a region keeps them: bands sorted from the top, each of one height and apart
// from the next, its rectangles sorted from the left and apart. GDI writes its regions so.
bool isBanded(const QList<QRect> &rects)
{
    for (qsizetype i = 1; i < rects.size(); ++i) {
        const QRect &before = rects[i - 1], &rect = rects[i];
        const bool sameBand = rect.top() == before.top() && rect.bottom() == before.bottom() &&
                              rect.left() > before.right();
        if (!sameBand && rect.top() <= before.bottom())
            return false;
    }
    return true;
}

// The most rectangles the union of two regions can hold: every band edge of either may begin a
// band of the union, and a band holds at most the rectangles of both bands it meets.
qint64 unionBound(const QRegion &a, const QRegion &b)
{
    const auto shape = [](const QRegion &region) {
        qint64 bands = 0, widest = 0, inBand = 0;
        int top = 0;
        for (const QRect &rect : region) {
            if (bands == 0 || rect.top() != top) {
                ++bands;
                top = rect.top();
                inBand = 0;
            }
            widest = std::max(widest, ++inBand);
        }
        return std::pair{bands, widest};
    };
    const auto [bandsA, widestA] = shape(a);
    const auto [bandsB, widestB] = shape(b);
    return 2 * (bandsA + bandsB) * (widestA + widestB);
}

// Rectangles from a file need not be sorted or disjoint, so unless they already are, they are
// united pairwise, level by level, which stays fast for long lists.
Result<QRegion> fromRects(const QList<QRect> &rects)
{
    if (isBanded(rects)) {
        QRegion region;
        region.setRects(rects.constData(), int(rects.size()));
        return region;
    }
    QList<QRegion> level;
    level.reserve(rects.size());
    for (const QRect &rect : rects)
        level.append(QRegion(rect));
    qint64 budget = kMaxBuildRects;
    while (level.size() > 1) {
        QList<QRegion> next;
        next.reserve((level.size() + 1) / 2);
        for (qsizetype i = 0; i + 1 < level.size(); i += 2) {
            budget -= unionBound(level[i], level[i + 1]);
            if (budget < 0)
                return Error{QStringLiteral("region of too many bands to build")};
            next.append(level[i].united(level[i + 1]));
        }
        if (level.size() % 2)
            next.append(level.last());
        level.swap(next);
    }
    if (level.isEmpty())
        return QRegion();
    if (level.first().rectCount() > int(limits::kMaxRegionRects))
        return Error{
            QStringLiteral("region of more than %1 rectangles").arg(limits::kMaxRegionRects)};
    return level.first();
}

} // namespace

Result<QRegion> readWmfRegion(QByteArrayView bytes)
{
    ByteReader r(bytes);
    r.skip(2 + 2 + 4 + 2);
    const int scanCount = r.i16();
    r.skip(2);
    const int left = r.i16(), top = r.i16(), right = r.i16(), bottom = r.i16();
    if (!r.ok())
        return Error{QStringLiteral("region cut short")};
    if (scanCount <= 0)
        return QRegion(fromEdges(left, top, right, bottom));
    QList<QRect> rects;
    for (int scan = 0; scan < scanCount; ++scan) {
        const int count = r.u16();
        const int scanTop = r.i16(), scanBottom = r.i16();
        if (!r.ok() || count % 2)
            return Error{QStringLiteral("region scan cut short or odd")};
        if (rects.size() + count / 2 > qsizetype(limits::kMaxRegionRects))
            return Error{
                QStringLiteral("region of more than %1 rectangles").arg(limits::kMaxRegionRects)};
        for (int i = 0; i < count / 2; ++i) {
            const int x0 = r.i16(), x1 = r.i16();
            if (x1 > x0 && scanBottom > scanTop)
                rects.append(fromEdges(x0, scanTop, x1, scanBottom));
        }
        r.skip(2);
        if (!r.ok())
            return Error{QStringLiteral("region cut short")};
    }
    return fromRects(rects);
}

Result<QRegion> readEmfRegion(QByteArrayView bytes)
{
    ByteReader r(bytes);
    const uint32_t headerSize = r.u32();
    r.skip(4);
    const uint32_t count = r.u32();
    r.skip(4 + 16);
    if (!r.ok() || headerSize < 32)
        return Error{QStringLiteral("region header cut short")};
    if (count > limits::kMaxRegionRects)
        return Error{
            QStringLiteral("region of more than %1 rectangles").arg(limits::kMaxRegionRects)};
    r.skip(headerSize - 32);
    if (uint64_t(count) * 16 > uint64_t(r.remaining()))
        return Error{QStringLiteral("region rectangles past the record")};
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
