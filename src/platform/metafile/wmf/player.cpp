// Plays the records of a Windows metafile onto a canvas.
#include "platform/metafile/wmf/player.h"
#include "platform/metafile/drawing/ansitext.h"
#include "platform/metafile/drawing/bytereader.h"
#include "platform/metafile/drawing/canvas.h"
#include "platform/metafile/drawing/dib.h"
#include "platform/metafile/drawing/fontmatch.h"
#include "platform/metafile/drawing/limits.h"
#include "platform/metafile/drawing/regiondata.h"
#include "platform/metafile/wmf/records.h"
#include "platform/metafile/wmf/walk.h"

namespace metafile::wmf {

namespace {

ColorRef readColor(ByteReader &p)
{
    return {p.u32()};
}

// Most records store their coordinates last to first: y before x, bottom-right before
// top-left.
QPointF readYX(ByteReader &p)
{
    const double y = p.i16();
    return QPointF(p.i16(), y);
}

QRectF readBox(ByteReader &p)
{
    const double bottom = p.i16(), right = p.i16(), top = p.i16(), left = p.i16();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPolygonF readPoints(ByteReader &p, qsizetype count)
{
    QPolygonF points;
    if (count < 0 || count * 4 > p.remaining())
        return points;
    points.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const double x = p.i16();
        points.append(QPointF(x, p.i16()));
    }
    return points;
}

// A device-dependent bitmap of the 16-bit format; only its monochrome and 24-bit forms are
// device-independent enough to draw.
std::optional<QImage> readBitmap16(ByteReader &p, PixelBudget &budget)
{
    p.skip(2);
    const int width = p.i16(), height = p.i16(), widthBytes = p.i16();
    p.skip(1);
    const int bitsPixel = p.u8();
    if (!p.ok() || width <= 0 || height <= 0 || widthBytes <= 0 ||
        (bitsPixel != 1 && bitsPixel != 24) ||
        int64_t(widthBytes) * 8 < int64_t(width) * bitsPixel ||
        int64_t(widthBytes) * height > p.remaining() || !budget.take(int64_t(width) * height))
        return std::nullopt;
    QImage image(width, height, QImage::Format_RGB32);
    const QByteArrayView bits = p.rest();
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const uint8_t *>(bits.data()) + int64_t(y) * widthBytes;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            out[x] = bitsPixel == 1
                         ? ((row[x / 8] >> (7 - x % 8)) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0))
                         : qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
        }
    }
    return image;
}

class Player
{
public:
    explicit Player(Canvas &canvas) : m_c(canvas) {}
    void record(uint16_t function, QByteArrayView bytes);

private:
    bool state(uint16_t function, ByteReader &p);
    bool mapping(uint16_t function, ByteReader &p);
    bool objects(uint16_t function, ByteReader &p);
    bool shapes(uint16_t function, ByteReader &p);
    bool regions(uint16_t function, ByteReader &p);
    bool text(uint16_t function, ByteReader &p);
    bool bitmaps(uint16_t function, ByteReader &p);
    void createObject(GdiObject object);
    const Region *region(uint16_t index) const;
    std::optional<QImage> packedDib(ByteReader &p, uint16_t usage);

    Canvas &m_c;
};

void Player::record(uint16_t function, QByteArrayView bytes)
{
    // A record too short for its parameters reads zeros past its end; those are dropped
    // where it matters by the ok() checks, and the next record plays on.
    ByteReader p(bytes);
    state(function, p) || mapping(function, p) || objects(function, p) || shapes(function, p) ||
        regions(function, p) || text(function, p) || bitmaps(function, p);
}

bool Player::state(uint16_t function, ByteReader &p)
{
    DeviceContext &dc = m_c.dc();
    switch (function) {
    case fn::kSetBkColor:
        dc.bkColor = readColor(p);
        return true;
    case fn::kSetTextColor:
        dc.textColor = readColor(p);
        return true;
    case fn::kSetBkMode:
        dc.bkOpaque = p.u16() == 2;
        return true;
    case fn::kSetRop2:
        dc.rop2 = p.u16();
        return true;
    case fn::kSetPolyFillMode:
        dc.winding = p.u16() == 2;
        return true;
    case fn::kSetTextAlign:
        dc.textAlign = p.u16();
        return true;
    case fn::kSetTextCharExtra:
        dc.textCharExtra = p.i16();
        return true;
    case fn::kSaveDc:
        m_c.save();
        return true;
    case fn::kRestoreDc:
        m_c.restore(p.i16());
        return true;
    case fn::kMoveTo: {
        const QPointF at = readYX(p);
        if (p.ok())
            m_c.moveTo(at);
        return true;
    }
    default:
        return false;
    }
}

bool Player::mapping(uint16_t function, ByteReader &p)
{
    DeviceContext &dc = m_c.dc();
    switch (function) {
    case fn::kSetMapMode:
        dc.mapMode = p.u16();
        break;
    case fn::kSetWindowOrg:
        dc.windowOrg = readYX(p);
        break;
    case fn::kSetWindowExt: {
        const QPointF ext = readYX(p);
        if (ext.x() != 0 && ext.y() != 0)
            dc.windowExt = QSizeF(ext.x(), ext.y());
        break;
    }
    case fn::kOffsetWindowOrg:
        dc.windowOrg += readYX(p);
        break;
    case fn::kScaleWindowExt: {
        const int yDenom = p.i16(), yNum = p.i16(), xDenom = p.i16(), xNum = p.i16();
        if (yDenom != 0 && xDenom != 0 && yNum != 0 && xNum != 0)
            dc.windowExt =
                QSizeF(dc.windowExt.width() * xNum / xDenom, dc.windowExt.height() * yNum / yDenom);
        break;
    }
    // The viewport is where the player puts the picture, so the file's own viewport records
    // change nothing.
    case fn::kSetViewportOrg:
    case fn::kSetViewportExt:
    case fn::kOffsetViewportOrg:
    case fn::kScaleViewportExt:
        return true;
    default:
        return false;
    }
    m_c.mappingChanged();
    return true;
}

void Player::createObject(GdiObject object)
{
    // A failed creation still takes its slot, so the indices after it stay right.
    m_c.objects().add(std::move(object));
}

std::optional<QImage> Player::packedDib(ByteReader &p, uint16_t usage)
{
    const auto dib = decodePackedDib(p.rest(), usage == 1 ? DibColors::Palette : DibColors::Rgb,
                                     m_c.dc().palette, m_c.budget());
    if (!dib)
        return std::nullopt;
    return dib->image;
}

bool Player::objects(uint16_t function, ByteReader &p)
{
    switch (function) {
    case fn::kCreatePenIndirect: {
        Pen pen;
        pen.style = p.u16();
        pen.width = p.i16();
        p.skip(2);
        pen.color = readColor(p);
        createObject(p.ok() ? GdiObject(pen) : GdiObject(Pen{pen::kNull, 0, {}, {}}));
        return true;
    }
    case fn::kCreateBrushIndirect: {
        Brush brush;
        const uint16_t style = p.u16();
        brush.color = readColor(p);
        brush.hatch = p.u16();
        brush.kind = style == brush::kNull      ? Brush::Kind::Null
                     : style == brush::kHatched ? Brush::Kind::Hatched
                                                : Brush::Kind::Solid;
        createObject(brush);
        return true;
    }
    case fn::kCreateFontIndirect: {
        Font font;
        font.height = p.i16();
        font.width = p.i16();
        font.escapement = p.i16();
        p.skip(2);
        font.weight = p.i16();
        font.italic = p.u8();
        font.underline = p.u8();
        font.strikeOut = p.u8();
        font.charset = p.u8();
        p.skip(4);
        QByteArray face = p.rest().first(std::min<qsizetype>(p.remaining(), 32)).toByteArray();
        if (const qsizetype nul = face.indexOf('\0'); nul >= 0)
            face.truncate(nul);
        // Face names are in the system code page whatever the font's character set.
        Font system;
        system.charset = charset::kDefault;
        font.face = decodeAnsi(face, system, {}).text;
        createObject(font);
        return true;
    }
    case fn::kCreatePalette: {
        Palette palette;
        p.skip(2);
        const int count = p.u16();
        for (int i = 0; i < count && p.remaining() >= 4; ++i) {
            const uint8_t r = p.u8(), g = p.u8(), b = p.u8();
            p.skip(1);
            palette.entries.append(qRgb(r, g, b));
        }
        createObject(palette);
        return true;
    }
    case fn::kDibCreatePatternBrush:
    case fn::kCreatePatternBrush: {
        Brush brush;
        brush.kind = Brush::Kind::Pattern;
        std::optional<QImage> image;
        if (function == fn::kCreatePatternBrush) {
            image = readBitmap16(p, m_c.budget());
            brush.monochrome = true;
        } else {
            // Both styles carry a packed DIB; a BS_PATTERN one has RGB colours whatever its
            // usage says.
            const uint16_t style = p.u16(), usage = p.u16();
            image = packedDib(p, style == brush::kPattern ? 0 : usage);
        }
        if (image)
            brush.pattern = *image;
        else
            brush.kind = Brush::Kind::Null;
        createObject(brush);
        return true;
    }
    case fn::kCreateRegion: {
        const auto rgn = readWmfRegion(p.rest());
        createObject(Region{rgn.value_or(QRegion())});
        return true;
    }
    case fn::kSelectObject:
        if (const GdiObject *object = m_c.objects().get(p.u16()))
            m_c.select(*object);
        return true;
    case fn::kSelectPalette:
        if (const GdiObject *object = m_c.objects().get(p.u16()))
            if (std::holds_alternative<Palette>(*object))
                m_c.select(*object);
        return true;
    case fn::kDeleteObject:
        m_c.objects().remove(p.u16());
        return true;
    default:
        return false;
    }
}

bool Player::shapes(uint16_t function, ByteReader &p)
{
    switch (function) {
    case fn::kLineTo: {
        const QPointF to = readYX(p);
        if (p.ok())
            m_c.lineTo(to);
        return true;
    }
    case fn::kRectangle:
    case fn::kEllipse: {
        const QRectF box = readBox(p);
        if (p.ok())
            function == fn::kRectangle ? m_c.rectangle(box) : m_c.ellipse(box);
        return true;
    }
    case fn::kRoundRect: {
        const double h = p.i16(), w = p.i16();
        const QRectF box = readBox(p);
        if (p.ok())
            m_c.roundRect(box, QSizeF(w, h));
        return true;
    }
    case fn::kArc:
    case fn::kPie:
    case fn::kChord: {
        const QPointF end = readYX(p), start = readYX(p);
        const QRectF box = readBox(p);
        if (!p.ok())
            return true;
        const auto kind = function == fn::kArc   ? Canvas::ArcKind::Arc
                          : function == fn::kPie ? Canvas::ArcKind::Pie
                                                 : Canvas::ArcKind::Chord;
        m_c.arc(kind, box, start, end);
        return true;
    }
    case fn::kPolygon:
    case fn::kPolyline: {
        const QPolygonF points = readPoints(p, p.i16());
        function == fn::kPolygon ? m_c.polygon(points) : m_c.polyline(points);
        return true;
    }
    case fn::kPolyPolygon: {
        const int count = p.u16();
        QList<int> sizes;
        int64_t total = 0;
        for (int i = 0; i < count && p.ok(); ++i) {
            sizes.append(p.u16());
            total += sizes.last();
        }
        if (!p.ok() || total > limits::kMaxPoints || total * 4 > p.remaining())
            return true;
        QList<QPolygonF> polygons;
        for (int size : sizes)
            polygons.append(readPoints(p, size));
        m_c.polyPolygon(polygons);
        return true;
    }
    case fn::kSetPixel: {
        const ColorRef c = readColor(p);
        const QPointF at = readYX(p);
        if (p.ok())
            m_c.setPixel(at, c);
        return true;
    }
    default:
        return false;
    }
}

const Region *Player::region(uint16_t index) const
{
    const GdiObject *object = m_c.objects().get(index);
    return object ? std::get_if<Region>(object) : nullptr;
}

bool Player::regions(uint16_t function, ByteReader &p)
{
    switch (function) {
    case fn::kSelectClipRegion:
        // Index 0 with no region there resets the clip, as players of old files expect.
        if (const Region *r = region(p.u16()))
            m_c.selectClip(r->region, true, clipmode::kCopy);
        else
            m_c.selectClip(std::nullopt, true, clipmode::kCopy);
        return true;
    case fn::kIntersectClipRect:
    case fn::kExcludeClipRect: {
        const QRectF box = readBox(p);
        if (p.ok())
            function == fn::kIntersectClipRect ? m_c.intersectClip(box) : m_c.excludeClip(box);
        return true;
    }
    case fn::kOffsetClipRgn: {
        const QPointF by = readYX(p);
        if (p.ok())
            m_c.offsetClip(by);
        return true;
    }
    case fn::kFillRegion:
    case fn::kFrameRegion: {
        const Region *r = region(p.u16());
        const GdiObject *b = m_c.objects().get(p.u16());
        const Brush *brush = b ? std::get_if<Brush>(b) : nullptr;
        if (!r || !brush)
            return true;
        if (function == fn::kFillRegion) {
            m_c.fillRegion(r->region, true, *brush);
        } else {
            const double h = p.i16(), w = p.i16();
            m_c.frameRegion(r->region, true, *brush, QSizeF(w, h));
        }
        return true;
    }
    case fn::kPaintRegion:
    case fn::kInvertRegion:
        if (const Region *r = region(p.u16())) {
            if (function == fn::kPaintRegion)
                m_c.fillRegion(r->region, true, m_c.dc().brush);
            else
                m_c.invertRegion(r->region, true);
        }
        return true;
    default:
        return false;
    }
}

bool Player::text(uint16_t function, ByteReader &p)
{
    TextRun run;
    qsizetype length = 0;
    if (function == fn::kTextOut) {
        length = p.i16();
        if (length <= 0 || length > qsizetype(limits::kMaxTextChars) || length > p.remaining())
            return true;
        const QByteArrayView bytes = p.rest().first(length);
        p.skip(length + length % 2);
        run.reference = readYX(p);
        if (!p.ok())
            return true;
        run.text = decodeAnsi(bytes, m_c.dc().font, {}).text;
        m_c.text(run);
        return true;
    }
    if (function != fn::kExtTextOut)
        return false;
    run.reference = readYX(p);
    length = p.i16();
    run.options = p.u16();
    if (run.options & (textout::kOpaque | textout::kClipped)) {
        const double left = p.i16(), top = p.i16(), right = p.i16(), bottom = p.i16();
        run.rect = QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    if (!p.ok() || length < 0 || length > qsizetype(limits::kMaxTextChars) ||
        length > p.remaining())
        return true;
    const QByteArrayView bytes = p.rest().first(length);
    p.skip(length + length % 2);
    QList<double> dx;
    if (p.remaining() >= length * 2) {
        for (qsizetype i = 0; i < length; ++i)
            dx.append(p.i16());
    }
    const DecodedText decoded = decodeAnsi(bytes, m_c.dc().font, dx);
    run.text = decoded.text;
    run.advances = decoded.advances;
    m_c.text(run);
    return true;
}

bool Player::bitmaps(uint16_t function, ByteReader &p)
{
    // Records of the bitmap family without a bitmap are one word longer than their function's
    // high byte says and carry a reserved word; they combine the brush with the destination.
    const bool noBitmap = p.size() == qsizetype(function >> 8) * 2;
    Blit b;
    switch (function) {
    case fn::kPatBlt: {
        b.rop = p.u32();
        const double h = p.i16(), w = p.i16();
        const QPointF at = readYX(p);
        b.dest = QRectF(at, QSizeF(w, h));
        break;
    }
    case fn::kBitBlt:
    case fn::kDibBitBlt: {
        b.rop = p.u32();
        const QPointF src = readYX(p);
        if (noBitmap)
            p.skip(2);
        const double h = p.i16(), w = p.i16();
        const QPointF at = readYX(p);
        b.dest = QRectF(at, QSizeF(w, h));
        b.source = QRectF(src, QSizeF(w, h));
        if (!noBitmap)
            b.image = function == fn::kBitBlt ? readBitmap16(p, m_c.budget()) : packedDib(p, 0);
        break;
    }
    case fn::kStretchBlt:
    case fn::kDibStretchBlt: {
        b.rop = p.u32();
        const double sh = p.i16(), sw = p.i16();
        const QPointF src = readYX(p);
        if (noBitmap)
            p.skip(2);
        const double h = p.i16(), w = p.i16();
        const QPointF at = readYX(p);
        b.dest = QRectF(at, QSizeF(w, h));
        b.source = QRectF(src, QSizeF(sw, sh));
        if (!noBitmap)
            b.image = function == fn::kStretchBlt ? readBitmap16(p, m_c.budget()) : packedDib(p, 0);
        break;
    }
    case fn::kStretchDib: {
        b.rop = p.u32();
        const uint16_t usage = p.u16();
        const double sh = p.i16(), sw = p.i16();
        const QPointF src = readYX(p);
        const double h = p.i16(), w = p.i16();
        const QPointF at = readYX(p);
        b.dest = QRectF(at, QSizeF(w, h));
        b.image = packedDib(p, usage);
        // The source's y counts from the bottom row of the bitmap.
        const double top = b.image ? b.image->height() - src.y() - sh : src.y();
        b.source = QRectF(QPointF(src.x(), top), QSizeF(sw, sh));
        break;
    }
    case fn::kSetDibToDev: {
        const uint16_t usage = p.u16();
        p.skip(4);
        const QPointF src = readYX(p);
        const double h = p.i16(), w = p.i16();
        const QPointF at = readYX(p);
        b.dest = QRectF(at, QSizeF(w, h));
        b.image = packedDib(p, usage);
        const double top = b.image ? b.image->height() - src.y() - h : src.y();
        b.source = QRectF(QPointF(src.x(), top), QSizeF(w, h));
        break;
    }
    default:
        return false;
    }
    m_c.blit(b);
    return true;
}

} // namespace

Status play(QByteArrayView data, const Header &header, Canvas &canvas)
{
    Player player(canvas);
    canvas.dc().compatibleMode = true;
    return forEachRecord(data, header, [&](const Record &record) {
        canvas.charge(1);
        player.record(record.function, record.params);
        return !canvas.exhausted();
    });
}

} // namespace metafile::wmf
