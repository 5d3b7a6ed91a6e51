// Gradient fills: vertices with colours, then rectangles or triangles between them.
#include "metafile/drawing/limits.h"
#include "metafile/emf/handlers.h"

#include <QLinearGradient>

namespace metafile::emf {

namespace {

constexpr uint32_t kVertical = 1, kTriangles = 2;

struct Vertex
{
    QPointF at;
    QColor color;
};

QList<Vertex> readVertices(ByteReader &p, uint32_t count)
{
    QList<Vertex> v;
    for (uint32_t i = 0; i < count; ++i) {
        const QPointF at = readPointl(p);
        const int r = p.u16() >> 8, g = p.u16() >> 8, b = p.u16() >> 8;
        p.skip(2);
        v.append({at, QColor(r, g, b)});
    }
    return v;
}

// Triangles get the mean of their corners' colours. False when the item cannot be read.
bool fillTriangle(Canvas &canvas, ByteReader &p, const QList<Vertex> &v)
{
    const uint32_t a = p.u32(), b = p.u32(), c = p.u32(), n = uint32_t(v.size());
    if (!p.ok() || a >= n || b >= n || c >= n)
        return false;
    QPainterPath tri;
    tri.addPolygon(QPolygonF{v[a].at, v[b].at, v[c].at});
    const auto mean = [&](auto channel) {
        return (channel(v[a].color) + channel(v[b].color) + channel(v[c].color)) / 3;
    };
    canvas.fillShape(tri, QColor(mean([](QColor x) { return x.red(); }),
                                 mean([](QColor x) { return x.green(); }),
                                 mean([](QColor x) { return x.blue(); })));
    return true;
}

// A rectangle from one vertex's colour to the other's, across or (vertical) down.
bool fillRect(Canvas &canvas, ByteReader &p, const QList<Vertex> &v, bool vertical)
{
    const uint32_t a = p.u32(), b = p.u32(), n = uint32_t(v.size());
    if (!p.ok() || a >= n || b >= n)
        return false;
    const QRectF box = QRectF(v[a].at, v[b].at).normalized();
    const QPointF end =
        vertical ? QPointF(v[a].at.x(), v[b].at.y()) : QPointF(v[b].at.x(), v[a].at.y());
    QLinearGradient g(v[a].at, end);
    g.setColorAt(0, v[a].color);
    g.setColorAt(1, v[b].color);
    QPainterPath shape;
    shape.addRect(box);
    canvas.fillShape(shape, g);
    return true;
}

} // namespace

Status Player::gradientFill(ByteReader &p)
{
    p.skip(16);
    const uint32_t vertices = p.u32(), items = p.u32(), mode = p.u32();
    if (!p.ok() || vertices > limits::kMaxPoints || items > limits::kMaxPolygons ||
        uint64_t(vertices) * 16 > uint64_t(p.remaining()))
        return complete(p, false, "vertices past the record");
    const QList<Vertex> v = readVertices(p, vertices);
    bool all = true;
    for (uint32_t i = 0; i < items && p.ok(); ++i) {
        const bool filled =
            mode == kTriangles ? fillTriangle(m_c, p, v) : fillRect(m_c, p, v, mode == kVertical);
        all = all && filled;
    }
    return complete(p, all, "vertex index out of range");
}

} // namespace metafile::emf
