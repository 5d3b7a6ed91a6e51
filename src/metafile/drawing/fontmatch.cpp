#include "metafile/drawing/fontmatch.h"

#include <QStringList>

namespace metafile {

namespace {

struct Substitute
{
    const char16_t *face;
    const char *family;
};

// Japanese faces by their Japanese and Latin names, with the metric-compatible fonts that
// stand in for them.
constexpr Substitute kSubstitutes[] = {
    {u"ＭＳ Ｐゴシック", "IPAPGothic"},  {u"MS PGothic", "IPAPGothic"},
    {u"ＭＳ ゴシック", "IPAGothic"},     {u"MS Gothic", "IPAGothic"},
    {u"ＭＳ ＵＩ Gothic", "IPAPGothic"}, {u"MS UI Gothic", "IPAPGothic"},
    {u"ＭＳ Ｐ明朝", "IPAPMincho"},      {u"MS PMincho", "IPAPMincho"},
    {u"ＭＳ 明朝", "IPAMincho"},         {u"MS Mincho", "IPAMincho"},
};

} // namespace

bool isSymbolFont(const Font &font)
{
    return font.charset == charset::kSymbol ||
           font.face.trimmed().compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
}

QFont matchFont(const Font &font)
{
    QStringList families;
    const QString face = font.face.trimmed();
    for (const Substitute &s : kSubstitutes) {
        if (face.compare(QString::fromUtf16(s.face), Qt::CaseInsensitive) == 0)
            families.append(QString::fromLatin1(s.family));
    }
    // Symbol text arrives as the characters its glyphs stand for, which these fonts draw (the
    // first two on Windows, the last on Linux); a Symbol-encoded face would take them for other
    // codes.
    if (isSymbolFont(font))
        families << QStringLiteral("Segoe UI Symbol") << QStringLiteral("Cambria Math")
                 << QStringLiteral("DejaVu Sans");
    else if (!face.isEmpty())
        families.append(face);
    // Japanese text in a face the machine lacks still needs glyphs for it.
    if (font.charset == charset::kShiftJis)
        families.append(QStringLiteral("IPAPGothic"));
    QFont qfont;
    if (!families.isEmpty())
        qfont.setFamilies(families);
    qfont.setWeight(QFont::Weight(std::clamp(font.weight == 0 ? 400 : font.weight, 1, 1000)));
    qfont.setItalic(font.italic);
    qfont.setUnderline(font.underline);
    qfont.setStrikeOut(font.strikeOut);
    qfont.setStyleStrategy(QFont::PreferOutline);
    // Glyphs fitted to the pixel grid, as the fonts of the platform the pictures come from.
    qfont.setHintingPreference(QFont::PreferFullHinting);
    // Each glyph advances by its own width: text output does not kern pairs.
    qfont.setKerning(false);
    return qfont;
}

} // namespace metafile
