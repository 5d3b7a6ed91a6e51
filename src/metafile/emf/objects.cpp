// Pens, brushes, fonts and palettes: put in the object table at the index a record names,
// selected, deleted; and the stock objects a record selects by an index with the high bit.
#include "metafile/drawing/dib.h"
#include "metafile/emf/handlers.h"

namespace metafile::emf {

namespace {

constexpr uint32_t kStockBit = 0x80000000;

} // namespace

const GdiObject *Player::object(uint32_t index)
{
    if (index & kStockBit) {
        m_stock = stockObject(index);
        return std::holds_alternative<std::monostate>(m_stock) ? nullptr : &m_stock;
    }
    return m_c.objects().get(index);
}

Status Player::putObject(uint32_t index, GdiObject object)
{
    if (!m_c.objects().put(index, std::move(object)))
        return skip("bad object index");
    return Done{};
}

Status Player::createPen(ByteReader &p)
{
    const uint32_t index = p.u32();
    Pen pen;
    pen.style = p.u32();
    pen.width = p.i32();
    p.skip(4);
    pen.color = {p.u32()};
    if (!p.ok())
        return complete(p);
    return putObject(index, pen);
}

Status Player::extCreatePen(ByteReader &p)
{
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
        return complete(p);
    // A cosmetic pen is one device pixel wide whatever its width field says.
    pen.width = (pen.style & pen::kGeometric) ? width : 0;
    for (uint32_t i = 0; i < entries && i < 16 && p.remaining() >= 4; ++i)
        pen.dashes.append(p.u32());
    if (brushStyle == brush::kNull)
        pen.style = (pen.style & ~pen::kStyleMask) | pen::kNull;
    return putObject(index, pen);
}

Status Player::createBrushIndirect(ByteReader &p)
{
    const uint32_t index = p.u32();
    Brush b;
    const uint32_t style = p.u32();
    b.color = {p.u32()};
    b.hatch = p.u32();
    b.kind = style == brush::kNull      ? Brush::Kind::Null
             : style == brush::kHatched ? Brush::Kind::Hatched
                                        : Brush::Kind::Solid;
    if (!p.ok())
        return complete(p);
    return putObject(index, b);
}

Status Player::createPatternBrush(ByteReader &p, bool monochrome)
{
    const uint32_t index = p.u32();
    const DibPlace at = readDibPlace(p, true);
    Brush b;
    b.monochrome = monochrome;
    const auto d = dib(p, at);
    b.kind = d ? Brush::Kind::Pattern : Brush::Kind::Null;
    if (d)
        b.pattern = d->image;
    // A pattern that cannot be read still takes its slot in the object table, as a null brush.
    const Status made = putObject(index, b);
    return firstSkip(complete(p, d), made);
}

Status Player::extCreateFontIndirectW(ByteReader &p)
{
    const uint32_t index = p.u32();
    Font f;
    f.height = p.i32();
    f.width = p.i32();
    f.escapement = p.i32();
    f.orientation = p.i32();
    f.weight = p.i32();
    f.italic = p.u8();
    f.underline = p.u8();
    f.strikeOut = p.u8();
    f.charset = p.u8();
    p.skip(2);
    f.quality = p.u8();
    f.pitchAndFamily = p.u8();
    for (int i = 0; i < 32 && p.remaining() >= 2; ++i) {
        const char16_t c = p.u16();
        if (c == 0)
            break;
        f.face.append(QChar(c));
    }
    if (!p.ok())
        return complete(p);
    return putObject(index, f);
}

Status Player::createPalette(ByteReader &p)
{
    const uint32_t index = p.u32();
    p.skip(2);
    const int count = p.u16();
    Palette pal;
    for (int i = 0; i < count && p.remaining() >= 4; ++i) {
        const uint8_t r = p.u8(), g = p.u8(), b = p.u8();
        p.skip(1);
        pal.entries.append(qRgb(r, g, b));
    }
    return firstSkip(complete(p, pal.entries.size() == count, "entries past the record"),
                     putObject(index, pal));
}

Status Player::selectObject(ByteReader &p)
{
    const GdiObject *o = object(p.u32());
    if (o)
        m_c.select(*o);
    return complete(p, o, "bad object index");
}

Status Player::deleteObject(ByteReader &p)
{
    const uint32_t index = p.u32();
    const bool held = m_c.objects().get(index);
    m_c.objects().remove(index);
    return complete(p, held, "bad object index");
}

} // namespace metafile::emf
