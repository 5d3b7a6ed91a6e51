#include "metafile/emf/fields.h"

#include "metafile/drawing/limits.h"
#include "metafile/drawing/skip.h"

#include <cmath>

namespace metafile::emf {

QPointF readPointl(ByteReader &p)
{
    const double x = p.i32();
    return QPointF(x, p.i32());
}

QRectF readRectl(ByteReader &p)
{
    const double left = p.i32(), top = p.i32(), right = p.i32(), bottom = p.i32();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

Result<QTransform> readXform(ByteReader &p)
{
    const double m11 = p.f32(), m12 = p.f32(), m21 = p.f32(), m22 = p.f32();
    const double dx = p.f32(), dy = p.f32();
    if (!p.ok())
        return skip("cut short");
    for (double v : {m11, m12, m21, m22, dx, dy}) {
        if (!std::isfinite(v) || std::abs(v) > 1e9)
            return skip("transform out of range");
    }
    return QTransform(m11, m12, m21, m22, dx, dy);
}

QPolygonF readPoints(ByteReader &p, uint64_t count, bool small)
{
    QPolygonF points;
    const uint64_t size = small ? 4 : 8;
    if (count > limits::kMaxPoints || count * size > uint64_t(p.remaining()))
        return points;
    points.reserve(qsizetype(count));
    for (uint64_t i = 0; i < count; ++i) {
        if (small) {
            const double x = p.i16();
            points.append(QPointF(x, p.i16()));
        } else {
            points.append(readPointl(p));
        }
    }
    return points;
}

PolyPoints readPoly(ByteReader &p, bool small)
{
    p.skip(16);
    const uint32_t count = p.u32();
    QPolygonF points = readPoints(p, count, small);
    const bool all = points.size() == qsizetype(count);
    const char *why = count > limits::kMaxPoints ? "too many points" : "points past the record";
    return {std::move(points), complete(p, all, why)};
}

Polygons readPolygons(ByteReader &p, bool small)
{
    p.skip(16);
    const uint32_t count = p.u32(), total = p.u32();
    if (!p.ok() || count > limits::kMaxPolygons || total > limits::kMaxPoints ||
        uint64_t(count) * 4 > uint64_t(p.remaining()))
        return {std::nullopt, complete(p, false, "counts out of range")};
    QList<uint32_t> sizes;
    uint64_t sum = 0;
    for (uint32_t i = 0; i < count; ++i) {
        sizes.append(p.u32());
        sum += sizes.last();
    }
    if (sum > total)
        return {std::nullopt, skip("sizes past the total")};
    QList<QPolygonF> polygons;
    bool all = true;
    for (uint32_t size : sizes) {
        polygons.append(readPoints(p, size, small));
        all = all && polygons.last().size() == qsizetype(size);
    }
    return {polygons, complete(p, all, "points past the record")};
}

DibPlace readDibPlace(ByteReader &p, bool usageFirst)
{
    DibPlace place;
    if (usageFirst)
        place.usage = p.u32();
    place.offBmi = p.u32();
    place.cbBmi = p.u32();
    place.offBits = p.u32();
    place.cbBits = p.u32();
    if (!usageFirst)
        place.usage = p.u32();
    return place;
}

} // namespace metafile::emf
