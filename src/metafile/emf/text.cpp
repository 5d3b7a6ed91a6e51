// Text: a string of UTF-16 units (wide) or of bytes in the code page of the selected font, with
// the advance of each character where the record gives them.
#include "metafile/drawing/ansitext.h"
#include "metafile/drawing/limits.h"
#include "metafile/emf/handlers.h"

namespace metafile::emf {

namespace {

// GM_COMPATIBLE, the graphics mode of text records whose glyphs ignore the world transform.
constexpr uint32_t kCompatibleMode = 1;
// The size of one text structure of the text records, up to its string and advances.
constexpr qsizetype kTextSize = 40;

QString wideText(ByteReader &units, uint32_t count, const Font &font)
{
    QString text;
    for (uint32_t i = 0; i < count; ++i)
        text.append(QChar(char16_t(units.u16())));
    return symbolText(text, font);
}

// The advance of each character, at offDx from the record's start; with pdy each has a
// vertical one after it, which the player does not use. Empty when the record gives none.
QList<double> advances(ByteReader &whole, uint32_t offDx, uint32_t count, bool pdy)
{
    const int step = pdy ? 2 : 1;
    QList<double> dx;
    ByteReader dxReader(whole.at(offDx, uint64_t(count) * 4 * step));
    if (offDx != 0 && dxReader.size() > 0) {
        for (uint32_t i = 0; i < count; ++i) {
            dx.append(dxReader.i32());
            if (step == 2)
                dxReader.skip(4);
        }
    }
    return dx;
}

} // namespace

// One text structure: reference point, string and advances, found by their offsets from the
// start of the record.
Status Player::textAt(ByteReader &p, bool wide, bool upright)
{
    TextRun run;
    run.upright = upright;
    run.reference = readPointl(p);
    const uint32_t count = p.u32(), offString = p.u32();
    run.options = p.u32();
    const QRectF rect = readRectl(p);
    const uint32_t offDx = p.u32();
    if (!p.ok() || count == 0 || count > limits::kMaxTextChars)
        return complete(p, count == 0 && !(run.options & textout::kOpaque), "count out of range");
    if (run.options & (textout::kOpaque | textout::kClipped))
        run.rect = rect;
    ByteReader whole(p.bytes());
    const QByteArrayView chars = whole.at(offString, uint64_t(count) * (wide ? 2 : 1));
    if (!whole.ok())
        return skip("text past the record");
    const QList<double> dx = advances(whole, offDx, count, run.options & textout::kPdy);
    if (wide) {
        ByteReader units(chars);
        run.text = wideText(units, count, m_c.dc().font);
        run.advances = dx;
    } else {
        const DecodedText decoded = decodeAnsi(chars, m_c.dc().font, dx);
        run.text = decoded.text;
        run.advances = decoded.advances;
    }
    m_c.text(run);
    return Done{};
}

Status Player::extTextOut(ByteReader &p, bool wide)
{
    p.skip(16);
    const bool upright = p.u32() == kCompatibleMode;
    p.skip(8);
    return textAt(p, wide, upright);
}

Status Player::polyTextOut(ByteReader &p, bool wide)
{
    p.skip(16);
    const bool upright = p.u32() == kCompatibleMode;
    p.skip(8);
    const uint32_t count = p.u32();
    Status drawn = Done{};
    uint32_t i = 0;
    for (; i < count && p.ok() && p.remaining() >= kTextSize; ++i)
        drawn = firstSkip(drawn, textAt(p, wide, upright));
    return firstSkip(drawn, complete(p, i == count, "texts past the record"));
}

Status Player::smallTextOut(ByteReader &p)
{
    TextRun run;
    run.reference = readPointl(p);
    const uint32_t count = p.u32(), options = p.u32();
    run.upright = p.u32() == kCompatibleMode;
    p.skip(8);
    // Options of its own: 0x100 leaves the rectangle out, 0x200 makes the string 8-bit.
    if (!(options & 0x100))
        run.rect = readRectl(p);
    run.options = options;
    const bool eight = options & 0x200;
    if (!p.ok() || count > limits::kMaxTextChars ||
        uint64_t(count) * (eight ? 1 : 2) > uint64_t(p.remaining()))
        return complete(p, false, "text past the record");
    if (eight)
        run.text = decodeAnsi(p.rest().first(count), m_c.dc().font, {}).text;
    else
        run.text = wideText(p, count, m_c.dc().font);
    m_c.text(run);
    return Done{};
}

} // namespace metafile::emf
