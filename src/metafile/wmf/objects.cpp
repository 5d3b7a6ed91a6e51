// Pens, brushes, fonts, palettes and regions: made into the object table, selected, deleted.
#include "metafile/drawing/ansitext.h"
#include "metafile/drawing/fontmatch.h"
#include "metafile/drawing/regiondata.h"
#include "metafile/wmf/fields.h"
#include "metafile/wmf/handlers.h"

namespace metafile::wmf {

Status Player::createObject(GdiObject object)
{
    // A failed creation still takes its slot, so the indices after it stay right.
    return m_c.objects().add(std::move(object)) ? Status(Done{}) : skip("object table full");
}

Status Player::createPenIndirect(ByteReader &p)
{
    Pen pen;
    pen.style = p.u16();
    pen.width = p.i16();
    p.skip(2);
    pen.color = readColor(p);
    if (!p.ok())
        pen = Pen{pen::kNull, 0, {}, {}};
    return firstSkip(complete(p), createObject(pen));
}

Status Player::createBrushIndirect(ByteReader &p)
{
    Brush brush;
    const uint16_t style = p.u16();
    brush.color = readColor(p);
    brush.hatch = p.u16();
    brush.kind = style == brush::kNull      ? Brush::Kind::Null
                 : style == brush::kHatched ? Brush::Kind::Hatched
                                            : Brush::Kind::Solid;
    return firstSkip(complete(p), createObject(brush));
}

Status Player::createFontIndirect(ByteReader &p)
{
    Font font;
    font.height = p.i16();
    font.width = p.i16();
    font.escapement = p.i16();
    font.orientation = p.i16();
    font.weight = p.i16();
    font.italic = p.u8();
    font.underline = p.u8();
    font.strikeOut = p.u8();
    font.charset = p.u8();
    p.skip(2);
    font.quality = p.u8();
    font.pitchAndFamily = p.u8();
    QByteArray face = p.rest().first(std::min<qsizetype>(p.remaining(), 32)).toByteArray();
    if (const qsizetype nul = face.indexOf('\0'); nul >= 0)
        face.truncate(nul);
    // Face names are in the system code page whatever the font's character set.
    Font system;
    system.charset = charset::kDefault;
    font.face = decodeAnsi(face, system, {}).text;
    return firstSkip(complete(p), createObject(font));
}

Status Player::createPalette(ByteReader &p)
{
    Palette palette;
    p.skip(2);
    const int count = p.u16();
    for (int i = 0; i < count && p.remaining() >= 4; ++i) {
        const uint8_t r = p.u8(), g = p.u8(), b = p.u8();
        p.skip(1);
        palette.entries.append(qRgb(r, g, b));
    }
    return firstSkip(complete(p, palette.entries.size() == count, "entries past the record"),
                     createObject(palette));
}

Status Player::createPattern(const ByteReader &p, const Result<QImage> &image, bool monochrome)
{
    Brush brush;
    brush.kind = image ? Brush::Kind::Pattern : Brush::Kind::Null;
    brush.pattern = image ? *image : QImage();
    brush.monochrome = monochrome;
    // A pattern that cannot be read still takes its slot in the object table, as a null brush.
    const Status made = createObject(brush);
    return firstSkip(complete(p, image), made);
}

Status Player::createPatternBrush(ByteReader &p)
{
    return createPattern(p, readBitmap16(p, m_c.budget()), true);
}

Status Player::dibCreatePatternBrush(ByteReader &p)
{
    // Both styles carry a packed DIB; a BS_PATTERN one has RGB colours whatever its usage says.
    const uint16_t style = p.u16(), usage = p.u16();
    return createPattern(p, packedDib(p, style == brush::kPattern ? 0 : usage), false);
}

Status Player::createRegion(ByteReader &p)
{
    const auto rgn = readWmfRegion(p.rest());
    // A region that cannot be read still takes its slot in the object table, empty.
    const Status made = createObject(Region{rgn ? *rgn : QRegion()});
    return firstSkip(complete(p, rgn), made);
}

Status Player::selectObject(ByteReader &p)
{
    const GdiObject *object = m_c.objects().get(p.u16());
    if (object)
        m_c.select(*object);
    return complete(p, object, "bad object index");
}

Status Player::selectPalette(ByteReader &p)
{
    const GdiObject *object = m_c.objects().get(p.u16());
    const bool palette = object && std::holds_alternative<Palette>(*object);
    if (palette)
        m_c.select(*object);
    return complete(p, palette, "bad object index");
}

Status Player::deleteObject(ByteReader &p)
{
    const uint16_t index = p.u16();
    const bool held = m_c.objects().get(index);
    m_c.objects().remove(index);
    return complete(p, held, "bad object index");
}

} // namespace metafile::wmf
