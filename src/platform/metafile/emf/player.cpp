// Plays the records of an enhanced metafile onto a canvas.
#include "platform/metafile/emf/player.h"
#include "platform/metafile/drawing/ansitext.h"
#include "platform/metafile/drawing/bytereader.h"
#include "platform/metafile/drawing/canvas.h"
#include "platform/metafile/drawing/dib.h"
#include "platform/metafile/drawing/limits.h"
#include "platform/metafile/drawing/regiondata.h"
#include "platform/metafile/emf/records.h"
#include "platform/metafile/emf/walk.h"

#include <QLinearGradient>

#include <cmath>

namespace metafile::emf {

namespace {

constexpr uint32_t kStockBit = 0x80000000;
// GM_COMPATIBLE, the graphics mode of text records whose glyphs ignore the world transform.
constexpr uint32_t kCompatibleMode = 1;

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

std::optional<QTransform> readXform(ByteReader &p)
{
    const double m11 = p.f32(), m12 = p.f32(), m21 = p.f32(), m22 = p.f32();
    const double dx = p.f32(), dy = p.f32();
    for (double v : {m11, m12, m21, m22, dx, dy}) {
        if (!std::isfinite(v) || std::abs(v) > 1e9)
            return std::nullopt;
    }
    return QTransform(m11, m12, m21, m22, dx, dy);
}

// count points of 32-bit or 16-bit coordinates; empty when they do not fit the record.
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

class Player
{
public:
    Player(Canvas &canvas) : m_c(canvas) {}
    void record(uint32_t type, QByteArrayView bytes);

private:
    bool state(uint32_t type, ByteReader &p);
    bool mapping(uint32_t type, ByteReader &p);
    bool objects(uint32_t type, ByteReader &p);
    bool shapes(uint32_t type, ByteReader &p);
    bool polys(uint32_t type, ByteReader &p);
    bool paths(uint32_t type, ByteReader &p);
    bool regions(uint32_t type, ByteReader &p);
    bool text(uint32_t type, ByteReader &p);
    bool bitmaps(uint32_t type, ByteReader &p);
    bool gradient(uint32_t type, ByteReader &p);
    void textAt(ByteReader &p, bool wide, bool upright);
    std::optional<Dib> dib(ByteReader &p, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                           uint32_t cbBits, uint32_t usage, bool keepAlpha = false);
    const GdiObject *object(uint32_t index);

    Canvas &m_c;
    GdiObject m_stock;
};

void Player::record(uint32_t type, QByteArrayView bytes)
{
    ByteReader p(bytes);
    p.skip(8);
    state(type, p) || mapping(type, p) || objects(type, p) || shapes(type, p) || polys(type, p) ||
        paths(type, p) || regions(type, p) || text(type, p) || bitmaps(type, p) ||
        gradient(type, p);
}

bool Player::state(uint32_t type, ByteReader &p)
{
    DeviceContext &dc = m_c.dc();
    switch (type) {
    case rec::kSetBkMode:
        dc.bkOpaque = p.u32() == 2;
        return true;
    case rec::kSetPolyFillMode:
        dc.winding = p.u32() == 2;
        return true;
    case rec::kSetRop2:
        dc.rop2 = int(p.u32() & 0xFF);
        return true;
    case rec::kSetTextAlign:
        dc.textAlign = p.u32();
        return true;
    case rec::kSetTextColor:
        dc.textColor = {p.u32()};
        return true;
    case rec::kSetBkColor:
        dc.bkColor = {p.u32()};
        return true;
    case rec::kSetArcDirection:
        dc.clockwise = p.u32() == 2;
        return true;
    case rec::kSetMiterLimit: {
        const uint32_t limit = p.u32();
        if (limit >= 1 && limit <= 1000)
            dc.miterLimit = limit;
        return true;
    }
    case rec::kSetBrushOrgEx:
        dc.brushOrigin = readPointl(p);
        return true;
    case rec::kMoveToEx: {
        const QPointF at = readPointl(p);
        if (p.ok())
            m_c.moveTo(at);
        return true;
    }
    case rec::kSaveDc:
        m_c.save();
        return true;
    case rec::kRestoreDc:
        m_c.restore(p.i32());
        return true;
    default:
        return false;
    }
}

bool Player::mapping(uint32_t type, ByteReader &p)
{
    DeviceContext &dc = m_c.dc();
    switch (type) {
    case rec::kSetMapMode:
        dc.mapMode = int(p.u32());
        break;
    case rec::kSetWindowExtEx:
    case rec::kSetViewportExtEx: {
        const QPointF ext = readPointl(p);
        if (!p.ok() || ext.x() == 0 || ext.y() == 0)
            return true;
        (type == rec::kSetWindowExtEx ? dc.windowExt : dc.viewportExt) = QSizeF(ext.x(), ext.y());
        break;
    }
    case rec::kSetWindowOrgEx:
        dc.windowOrg = readPointl(p);
        break;
    case rec::kSetViewportOrgEx:
        dc.viewportOrg = readPointl(p);
        break;
    case rec::kScaleWindowExtEx:
    case rec::kScaleViewportExtEx: {
        const double xNum = p.i32(), xDenom = p.i32(), yNum = p.i32(), yDenom = p.i32();
        if (xNum == 0 || xDenom == 0 || yNum == 0 || yDenom == 0)
            return true;
        QSizeF &ext = type == rec::kScaleWindowExtEx ? dc.windowExt : dc.viewportExt;
        ext = QSizeF(ext.width() * xNum / xDenom, ext.height() * yNum / yDenom);
        break;
    }
    case rec::kSetWorldTransform:
        if (const auto xf = readXform(p))
            dc.world = *xf;
        break;
    case rec::kModifyWorldTransform: {
        const auto xf = readXform(p);
        const uint32_t mode = p.u32();
        if (!xf || !p.ok())
            return true;
        if (mode == 1)
            dc.world = QTransform();
        else if (mode == 2)
            dc.world = *xf * dc.world;
        else if (mode == 3)
            dc.world = dc.world * *xf;
        else if (mode == 4)
            dc.world = *xf;
        break;
    }
    default:
        return false;
    }
    m_c.mappingChanged();
    return true;
}

std::optional<Dib> Player::dib(ByteReader &p, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                               uint32_t cbBits, uint32_t usage, bool keepAlpha)
{
    if (cbBmi == 0)
        return std::nullopt;
    ByteReader whole(p.bytes());
    const QByteArrayView info = whole.at(offBmi, cbBmi);
    const QByteArrayView bits = whole.at(offBits, cbBits);
    if (!whole.ok())
        return std::nullopt;
    return decodeDib(info, bits, usage == 1 ? DibColors::Palette : DibColors::Rgb, m_c.dc().palette,
                     m_c.budget(), nullptr, keepAlpha);
}

const GdiObject *Player::object(uint32_t index)
{
    if (index & kStockBit) {
        m_stock = stockObject(index);
        return std::holds_alternative<std::monostate>(m_stock) ? nullptr : &m_stock;
    }
    return m_c.objects().get(index);
}

bool Player::objects(uint32_t type, ByteReader &p)
{
    switch (type) {
    case rec::kCreatePen: {
        const uint32_t index = p.u32();
        Pen pen;
        pen.style = p.u32();
        pen.width = p.i32();
        p.skip(4);
        pen.color = {p.u32()};
        if (p.ok())
            m_c.objects().put(index, pen);
        return true;
    }
    case rec::kExtCreatePen: {
        const uint32_t index = p.u32();
        p.skip(16);
        Pen pen;
        pen.style = p.u32();
        const uint32_t width = p.u32();
        const uint32_t brushStyle = p.u32();
        pen.color = {p.u32()};
        p.skip(4);
        const uint32_t entries = p.u32();
        if (!p.ok())
            return true;
        // A cosmetic pen is one device pixel wide whatever its width field says.
        pen.width = (pen.style & pen::kGeometric) ? width : 0;
        for (uint32_t i = 0; i < entries && i < 16 && p.remaining() >= 4; ++i)
            pen.dashes.append(p.u32());
        if (brushStyle == brush::kNull)
            pen.style = (pen.style & ~pen::kStyleMask) | pen::kNull;
        m_c.objects().put(index, pen);
        return true;
    }
    case rec::kCreateBrushIndirect: {
        const uint32_t index = p.u32();
        Brush b;
        const uint32_t style = p.u32();
        b.color = {p.u32()};
        b.hatch = p.u32();
        b.kind = style == brush::kNull      ? Brush::Kind::Null
                 : style == brush::kHatched ? Brush::Kind::Hatched
                                            : Brush::Kind::Solid;
        if (p.ok())
            m_c.objects().put(index, b);
        return true;
    }
    case rec::kCreateDibPatternBrushPt:
    case rec::kCreateMonoBrush: {
        const uint32_t index = p.u32(), usage = p.u32();
        const uint32_t offBmi = p.u32(), cbBmi = p.u32(), offBits = p.u32(), cbBits = p.u32();
        Brush b;
        b.kind = Brush::Kind::Pattern;
        b.monochrome = type == rec::kCreateMonoBrush;
        if (const auto d = dib(p, offBmi, cbBmi, offBits, cbBits, usage))
            b.pattern = d->image;
        else
            b.kind = Brush::Kind::Null;
        m_c.objects().put(index, b);
        return true;
    }
    case rec::kExtCreateFontIndirectW: {
        const uint32_t index = p.u32();
        Font f;
        f.height = p.i32();
        f.width = p.i32();
        f.escapement = p.i32();
        p.skip(4);
        f.weight = p.i32();
        f.italic = p.u8();
        f.underline = p.u8();
        f.strikeOut = p.u8();
        f.charset = p.u8();
        p.skip(4);
        QString face;
        for (int i = 0; i < 32 && p.remaining() >= 2; ++i) {
            const char16_t c = p.u16();
            if (c == 0)
                break;
            face.append(QChar(c));
        }
        f.face = face;
        if (p.ok())
            m_c.objects().put(index, f);
        return true;
    }
    case rec::kCreatePalette: {
        const uint32_t index = p.u32();
        p.skip(2);
        const int count = p.u16();
        Palette pal;
        for (int i = 0; i < count && p.remaining() >= 4; ++i) {
            const uint8_t r = p.u8(), g = p.u8(), b = p.u8();
            p.skip(1);
            pal.entries.append(qRgb(r, g, b));
        }
        m_c.objects().put(index, pal);
        return true;
    }
    case rec::kSelectObject:
    case rec::kSelectPalette:
        if (const GdiObject *o = object(p.u32()))
            m_c.select(*o);
        return true;
    case rec::kDeleteObject:
        m_c.objects().remove(p.u32());
        return true;
    default:
        return false;
    }
}

bool Player::shapes(uint32_t type, ByteReader &p)
{
    switch (type) {
    case rec::kLineTo: {
        const QPointF to = readPointl(p);
        if (p.ok())
            m_c.lineTo(to);
        return true;
    }
    case rec::kRectangle:
    case rec::kEllipse: {
        const QRectF box = readRectl(p);
        if (p.ok())
            type == rec::kRectangle ? m_c.rectangle(box) : m_c.ellipse(box);
        return true;
    }
    case rec::kRoundRect: {
        const QRectF box = readRectl(p);
        const QPointF corner = readPointl(p);
        if (p.ok())
            m_c.roundRect(box, QSizeF(corner.x(), corner.y()));
        return true;
    }
    case rec::kArc:
    case rec::kArcTo:
    case rec::kChord:
    case rec::kPie: {
        const QRectF box = readRectl(p);
        const QPointF start = readPointl(p), end = readPointl(p);
        if (!p.ok())
            return true;
        const auto kind = type == rec::kArc     ? Canvas::ArcKind::Arc
                          : type == rec::kArcTo ? Canvas::ArcKind::ArcTo
                          : type == rec::kChord ? Canvas::ArcKind::Chord
                                                : Canvas::ArcKind::Pie;
        m_c.arc(kind, box, start, end);
        return true;
    }
    case rec::kAngleArc: {
        const QPointF centre = readPointl(p);
        const double radius = p.u32();
        const double start = p.f32(), sweep = p.f32();
        if (p.ok())
            m_c.angleArc(centre, radius, start, sweep);
        return true;
    }
    case rec::kSetPixelV: {
        const QPointF at = readPointl(p);
        const ColorRef c{p.u32()};
        if (p.ok())
            m_c.setPixel(at, c);
        return true;
    }
    default:
        return false;
    }
}

bool Player::polys(uint32_t type, ByteReader &p)
{
    const bool small = type >= rec::kPolyBezier16 && type <= rec::kPolyDraw16;
    switch (type) {
    case rec::kPolyBezier:
    case rec::kPolygon:
    case rec::kPolyline:
    case rec::kPolyBezierTo:
    case rec::kPolylineTo:
    case rec::kPolyBezier16:
    case rec::kPolygon16:
    case rec::kPolyline16:
    case rec::kPolyBezierTo16:
    case rec::kPolylineTo16: {
        p.skip(16);
        const QPolygonF points = readPoints(p, p.u32(), small);
        switch (small ? type - rec::kPolyBezier16 + rec::kPolyBezier : type) {
        case rec::kPolyBezier:
            m_c.polyBezier(points);
            break;
        case rec::kPolygon:
            m_c.polygon(points);
            break;
        case rec::kPolyline:
            m_c.polyline(points);
            break;
        case rec::kPolyBezierTo:
            m_c.polyBezierTo(points);
            break;
        default:
            m_c.polylineTo(points);
            break;
        }
        return true;
    }
    case rec::kPolyPolyline:
    case rec::kPolyPolygon:
    case rec::kPolyPolyline16:
    case rec::kPolyPolygon16: {
        p.skip(16);
        const uint32_t count = p.u32(), total = p.u32();
        if (!p.ok() || count > limits::kMaxPolygons || total > limits::kMaxPoints ||
            uint64_t(count) * 4 > uint64_t(p.remaining()))
            return true;
        QList<uint32_t> sizes;
        uint64_t sum = 0;
        for (uint32_t i = 0; i < count; ++i) {
            sizes.append(p.u32());
            sum += sizes.last();
        }
        if (sum > total)
            return true;
        QList<QPolygonF> polygons;
        for (uint32_t size : sizes)
            polygons.append(readPoints(p, size, small));
        if (type == rec::kPolyPolygon || type == rec::kPolyPolygon16)
            m_c.polyPolygon(polygons);
        else
            m_c.polyPolyline(polygons);
        return true;
    }
    case rec::kPolyDraw:
    case rec::kPolyDraw16: {
        p.skip(16);
        const uint32_t count = p.u32();
        const QPolygonF points = readPoints(p, count, small);
        if (points.size() == qsizetype(count) && p.remaining() >= qsizetype(count))
            m_c.polyDraw(points, p.rest().first(count));
        return true;
    }
    default:
        return false;
    }
}

bool Player::paths(uint32_t type, ByteReader &p)
{
    switch (type) {
    case rec::kBeginPath:
        m_c.beginPath();
        return true;
    case rec::kEndPath:
        m_c.endPath();
        return true;
    case rec::kAbortPath:
        m_c.abortPath();
        return true;
    case rec::kCloseFigure:
        m_c.closeFigure();
        return true;
    case rec::kFillPath:
        m_c.fillPath();
        return true;
    case rec::kStrokePath:
        m_c.strokePath();
        return true;
    case rec::kStrokeAndFillPath:
        m_c.strokeAndFillPath();
        return true;
    case rec::kFlattenPath:
        return true;
    case rec::kWidenPath:
        m_c.widenPath();
        return true;
    case rec::kSelectClipPath:
        m_c.selectClipPath(int(p.u32()));
        return true;
    default:
        return false;
    }
}

bool Player::regions(uint32_t type, ByteReader &p)
{
    switch (type) {
    case rec::kIntersectClipRect:
    case rec::kExcludeClipRect: {
        const QRectF box = readRectl(p);
        if (p.ok())
            type == rec::kIntersectClipRect ? m_c.intersectClip(box) : m_c.excludeClip(box);
        return true;
    }
    case rec::kOffsetClipRgn: {
        const QPointF by = readPointl(p);
        if (p.ok())
            m_c.offsetClip(by);
        return true;
    }
    case rec::kExtSelectClipRgn: {
        const uint32_t size = p.u32();
        const int mode = int(p.u32());
        if (!p.ok())
            return true;
        if (size == 0) {
            m_c.selectClip(std::nullopt, false, mode);
            return true;
        }
        if (size <= uint64_t(p.remaining()))
            if (const auto rgn = readEmfRegion(p.rest().first(size)))
                m_c.selectClip(*rgn, false, mode);
        return true;
    }
    case rec::kFillRgn:
    case rec::kFrameRgn:
    case rec::kPaintRgn:
    case rec::kInvertRgn: {
        p.skip(16);
        const uint32_t size = p.u32();
        const bool brushed = type == rec::kFillRgn || type == rec::kFrameRgn;
        const GdiObject *o = brushed ? object(p.u32()) : nullptr;
        const Brush *b = o ? std::get_if<Brush>(o) : nullptr;
        QSizeF stroke;
        if (type == rec::kFrameRgn) {
            const double w = p.i32();
            stroke = QSizeF(w, p.i32());
        }
        if (!p.ok() || size > uint64_t(p.remaining()))
            return true;
        const auto rgn = readEmfRegion(p.rest().first(size));
        if (!rgn)
            return true;
        if (type == rec::kInvertRgn)
            m_c.invertRegion(*rgn, true);
        else if (type == rec::kPaintRgn)
            m_c.fillRegion(*rgn, true, m_c.dc().brush);
        else if (b && type == rec::kFillRgn)
            m_c.fillRegion(*rgn, true, *b);
        else if (b)
            m_c.frameRegion(*rgn, true, *b, stroke);
        return true;
    }
    default:
        return false;
    }
}

// One text structure: reference point, string and advances, found by their offsets from the
// start of the record.
void Player::textAt(ByteReader &p, bool wide, bool upright)
{
    TextRun run;
    run.upright = upright;
    run.reference = readPointl(p);
    const uint32_t count = p.u32(), offString = p.u32();
    run.options = p.u32();
    const QRectF rect = readRectl(p);
    const uint32_t offDx = p.u32();
    if (!p.ok() || count == 0 || count > limits::kMaxTextChars)
        return;
    if (run.options & (textout::kOpaque | textout::kClipped))
        run.rect = rect;
    ByteReader whole(p.bytes());
    const QByteArrayView chars = whole.at(offString, uint64_t(count) * (wide ? 2 : 1));
    if (!whole.ok())
        return;
    const int step = (run.options & textout::kPdy) ? 2 : 1;
    QList<double> dx;
    ByteReader dxReader(whole.at(offDx, uint64_t(count) * 4 * step));
    if (offDx != 0 && dxReader.size() > 0) {
        for (uint32_t i = 0; i < count; ++i) {
            dx.append(dxReader.i32());
            if (step == 2)
                dxReader.skip(4);
        }
    }
    if (wide) {
        ByteReader units(chars);
        for (uint32_t i = 0; i < count; ++i)
            run.text.append(QChar(char16_t(units.u16())));
        run.text = symbolText(run.text, m_c.dc().font);
        run.advances = dx;
    } else {
        const DecodedText decoded = decodeAnsi(chars, m_c.dc().font, dx);
        run.text = decoded.text;
        run.advances = decoded.advances;
    }
    m_c.text(run);
}

bool Player::text(uint32_t type, ByteReader &p)
{
    switch (type) {
    case rec::kExtTextOutW:
    case rec::kExtTextOutA: {
        p.skip(16);
        const bool upright = p.u32() == kCompatibleMode;
        p.skip(8);
        textAt(p, type == rec::kExtTextOutW, upright);
        return true;
    }
    case rec::kPolyTextOutW:
    case rec::kPolyTextOutA: {
        p.skip(16);
        const bool upright = p.u32() == kCompatibleMode;
        p.skip(8);
        const uint32_t count = p.u32();
        for (uint32_t i = 0; i < count && p.ok() && p.remaining() >= 40; ++i)
            textAt(p, type == rec::kPolyTextOutW, upright);
        return true;
    }
    case rec::kSmallTextOut: {
        TextRun run;
        run.reference = readPointl(p);
        const uint32_t count = p.u32(), options = p.u32();
        run.upright = p.u32() == kCompatibleMode;
        p.skip(8);
        if (!(options & 0x100))
            run.rect = readRectl(p);
        run.options = options;
        const bool eight = options & 0x200;
        if (!p.ok() || count > limits::kMaxTextChars ||
            uint64_t(count) * (eight ? 1 : 2) > uint64_t(p.remaining()))
            return true;
        if (eight) {
            run.text = decodeAnsi(p.rest().first(count), m_c.dc().font, {}).text;
        } else {
            for (uint32_t i = 0; i < count; ++i)
                run.text.append(QChar(char16_t(p.u16())));
            run.text = symbolText(run.text, m_c.dc().font);
        }
        m_c.text(run);
        return true;
    }
    default:
        return false;
    }
}

bool Player::bitmaps(uint32_t type, ByteReader &p)
{
    if (type != rec::kBitBlt && type != rec::kStretchBlt && type != rec::kMaskBlt &&
        type != rec::kStretchDiBits && type != rec::kSetDiBitsToDevice &&
        type != rec::kAlphaBlend && type != rec::kTransparentBlt)
        return false;
    p.skip(16);
    Blit b;
    if (type == rec::kStretchDiBits || type == rec::kSetDiBitsToDevice) {
        const QPointF dest = readPointl(p), src = readPointl(p);
        const double cxSrc = p.i32(), cySrc = p.i32();
        const uint32_t offBmi = p.u32(), cbBmi = p.u32(), offBits = p.u32(), cbBits = p.u32();
        const uint32_t usage = p.u32();
        double cxDest = cxSrc, cyDest = cySrc;
        if (type == rec::kStretchDiBits) {
            b.rop = p.u32();
            cxDest = p.i32();
            cyDest = p.i32();
        }
        if (!p.ok())
            return true;
        b.dest = QRectF(dest, QSizeF(cxDest, cyDest));
        const auto d = dib(p, offBmi, cbBmi, offBits, cbBits, usage);
        if (d) {
            b.image = d->image;
            // Source rows count from the bottom of a bottom-up bitmap.
            const double top = d->bottomUp ? d->image.height() - src.y() - cySrc : src.y();
            b.source = QRectF(QPointF(src.x(), top), QSizeF(cxSrc, cySrc));
        }
        m_c.blit(b);
        return true;
    }
    // The blit family: destination, operation, source origin and transform, then the bitmap.
    const QPointF dest = readPointl(p);
    const double cxDest = p.i32(), cyDest = p.i32();
    const uint32_t op = p.u32();
    const QPointF src = readPointl(p);
    p.skip(24 + 4);
    const uint32_t usage = p.u32();
    const uint32_t offBmi = p.u32(), cbBmi = p.u32(), offBits = p.u32(), cbBits = p.u32();
    double cxSrc = cxDest, cySrc = cyDest;
    if (type == rec::kStretchBlt || type == rec::kAlphaBlend || type == rec::kTransparentBlt) {
        cxSrc = p.i32();
        cySrc = p.i32();
    }
    if (!p.ok())
        return true;
    b.dest = QRectF(dest, QSizeF(cxDest, cyDest));
    b.source = QRectF(src, QSizeF(cxSrc, cySrc));
    const bool sourceAlpha = type == rec::kAlphaBlend && ((op >> 24) & 1);
    const auto d = dib(p, offBmi, cbBmi, offBits, cbBits, usage, sourceAlpha);
    if (type == rec::kAlphaBlend) {
        if (d)
            m_c.alphaBlend(b.dest, d->image, b.source, int((op >> 16) & 0xFF));
        return true;
    }
    if (d) {
        b.image = d->image;
        if (type == rec::kTransparentBlt) {
            // The operation field holds the colour that stays transparent.
            const QRgb clear = qRgb(int(op & 0xFF), int((op >> 8) & 0xFF), int((op >> 16) & 0xFF));
            QImage keyed = b.image->convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < keyed.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(keyed.scanLine(y));
                for (int x = 0; x < keyed.width(); ++x)
                    if ((line[x] | 0xFF000000) == clear)
                        line[x] = 0;
            }
            b.image = keyed;
        }
    }
    // A masked blit draws its source as a plain copy; the mask is not applied.
    b.rop = type == rec::kBitBlt || type == rec::kStretchBlt ? op : 0x00CC0020;
    if (type == rec::kMaskBlt)
        b.rop = d ? 0x00CC0020 : op;
    m_c.blit(b);
    return true;
}

bool Player::gradient(uint32_t type, ByteReader &p)
{
    if (type != rec::kGradientFill)
        return false;
    p.skip(16);
    const uint32_t vertices = p.u32(), items = p.u32(), mode = p.u32();
    if (!p.ok() || vertices > limits::kMaxPoints || items > limits::kMaxPolygons ||
        uint64_t(vertices) * 16 > uint64_t(p.remaining()))
        return true;
    struct Vertex
    {
        QPointF at;
        QColor color;
    };
    QList<Vertex> v;
    for (uint32_t i = 0; i < vertices; ++i) {
        const QPointF at = readPointl(p);
        const int r = p.u16() >> 8, g = p.u16() >> 8, b = p.u16() >> 8;
        p.skip(2);
        v.append({at, QColor(r, g, b)});
    }
    for (uint32_t i = 0; i < items && p.ok(); ++i) {
        if (mode == 2) {
            // Triangles get the mean of their corners' colours.
            const uint32_t a = p.u32(), b = p.u32(), c = p.u32();
            if (!p.ok() || a >= vertices || b >= vertices || c >= vertices)
                continue;
            QPainterPath tri;
            tri.addPolygon(QPolygonF{v[a].at, v[b].at, v[c].at});
            const auto mean = [&](auto channel) {
                return (channel(v[a].color) + channel(v[b].color) + channel(v[c].color)) / 3;
            };
            m_c.fillShape(tri, QColor(mean([](QColor x) { return x.red(); }),
                                      mean([](QColor x) { return x.green(); }),
                                      mean([](QColor x) { return x.blue(); })));
        } else {
            const uint32_t a = p.u32(), b = p.u32();
            if (!p.ok() || a >= vertices || b >= vertices)
                continue;
            const QRectF box = QRectF(v[a].at, v[b].at).normalized();
            const QPointF end =
                mode == 1 ? QPointF(v[a].at.x(), v[b].at.y()) : QPointF(v[b].at.x(), v[a].at.y());
            QLinearGradient g(v[a].at, end);
            g.setColorAt(0, v[a].color);
            g.setColorAt(1, v[b].color);
            QPainterPath shape;
            shape.addRect(box);
            m_c.fillShape(shape, g);
        }
    }
    return true;
}

} // namespace

Status play(QByteArrayView data, const Header &, Canvas &canvas)
{
    Player player(canvas);
    return forEachRecord(data, [&](const Record &record) {
        canvas.charge(1);
        player.record(record.type, record.bytes);
        return !canvas.exhausted();
    });
}

} // namespace metafile::emf
