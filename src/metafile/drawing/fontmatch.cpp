#include "metafile/drawing/fontmatch.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>
#include <QStringList>

namespace metafile {

namespace {

struct Substitute
{
    const char16_t *face;
    const char *family;
};

// Faces pictures name, the Japanese ones by their Japanese and Latin names, with the
// metric-compatible fonts that stand in for them where they are missing.
constexpr Substitute kSubstitutes[] = {
    {u"Arial", "Liberation Sans"},
    {u"Helvetica", "Liberation Sans"},
    {u"Arial Narrow", "Liberation Sans Narrow"},
    {u"Times New Roman", "Liberation Serif"},
    {u"Times", "Liberation Serif"},
    {u"Courier New", "Liberation Mono"},
    {u"Courier", "Liberation Mono"},
    {u"ＭＳ Ｐゴシック", "IPAPGothic"},
    {u"MS PGothic", "IPAPGothic"},
    {u"ＭＳ ゴシック", "IPAGothic"},
    {u"MS Gothic", "IPAGothic"},
    {u"ＭＳ ＵＩ Gothic", "IPAPGothic"},
    {u"MS UI Gothic", "IPAPGothic"},
    {u"ＭＳ Ｐ明朝", "IPAPMincho"},
    {u"MS PMincho", "IPAPMincho"},
    {u"ＭＳ 明朝", "IPAMincho"},
    {u"MS Mincho", "IPAMincho"},
};

// The font's own advice on smoothing (its grid-fitting and scan-conversion table): whether
// glyphs of a size in pixels are smoothed in grey; fonts without the table always are.
bool fontSmoothsAt(const QFont &font, int ppem)
{
    const QByteArray gasp = QRawFont::fromFont(font).fontTable("gasp");
    auto u16 = [&gasp](qsizetype at) {
        return uint16_t((uint8_t(gasp[at]) << 8) | uint8_t(gasp[at + 1]));
    };
    if (gasp.size() < 4)
        return true;
    constexpr uint16_t kDoGray = 0x0002;
    const qsizetype ranges = std::min<qsizetype>(u16(2), (gasp.size() - 4) / 4);
    for (qsizetype i = 0; i < ranges; ++i) {
        if (ppem <= u16(4 + i * 4))
            return u16(6 + i * 4) & kDoGray;
    }
    return true;
}

// Where a face is missing or not named, the mapper takes the default face of the font's
// family, or of its pitch: Courier New for fixed pitch and the modern family, Times New Roman
// for the roman family, and Arial for a font that names no face.
const char *familyDefault(uint8_t pitchAndFamily, bool noFace)
{
    constexpr uint8_t kFixedPitch = 1, kPitchMask = 0x03, kFamilyMask = 0xF0;
    constexpr uint8_t kRoman = 0x10, kModern = 0x30;
    const uint8_t family = pitchAndFamily & kFamilyMask;
    if ((pitchAndFamily & kPitchMask) == kFixedPitch || family == kModern)
        return "Courier New";
    if (family == kRoman)
        return "Times New Roman";
    return noFace ? "Arial" : nullptr;
}

// The installed fonts that stand in for a face the machine may lack.
QStringList standIns(const QString &face)
{
    QStringList families;
    for (const Substitute &s : kSubstitutes) {
        if (face.compare(QString::fromUtf16(s.face), Qt::CaseInsensitive) == 0)
            families.append(QString::fromLatin1(s.family));
    }
    return families;
}

// The weight of the face nearest the one asked, a tie going to the lighter face; a weight of
// semibold or more on a face without one is drawn emboldened.
QFont::Weight nearestWeight(const QFont &font, int asked)
{
    constexpr int kNormal = 400, kSemiBold = 600, kBold = 700;
    const int weight = std::clamp(asked == 0 ? kNormal : asked, 1, 1000);
    const QString family = QFontInfo(font).family();
    int nearest = -1;
    for (const QString &style : QFontDatabase::styles(family)) {
        if (QFontDatabase::italic(family, style) != font.italic())
            continue;
        const int own = QFontDatabase::weight(family, style);
        if (own > 0 && (nearest < 0 || std::abs(own - weight) < std::abs(nearest - weight) ||
                        (std::abs(own - weight) == std::abs(nearest - weight) && own < nearest)))
            nearest = own;
    }
    if (nearest < 0)
        return QFont::Weight(weight);
    if (weight >= kSemiBold && nearest < kSemiBold)
        return QFont::Weight(kBold);
    return QFont::Weight(nearest);
}

} // namespace

bool isSymbolFont(const Font &font)
{
    return font.charset == charset::kSymbol ||
           font.face.trimmed().compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
}

QFont matchFont(const Font &font)
{
    const QString face = font.face.trimmed();
    QStringList families = standIns(face);
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
    if (const char *fallback = familyDefault(font.pitchAndFamily, face.isEmpty())) {
        const QString fallbackFace = QString::fromLatin1(fallback);
        families << fallbackFace << standIns(fallbackFace);
    }
    if (!families.isEmpty())
        qfont.setFamilies(families);
    qfont.setItalic(font.italic);
    qfont.setWeight(nearestWeight(qfont, font.weight));
    qfont.setUnderline(font.underline);
    qfont.setStrikeOut(font.strikeOut);
    qfont.setStyleStrategy(QFont::PreferOutline);
    // Glyphs fitted to the pixel grid, as the fonts of the platform the pictures come from.
    qfont.setHintingPreference(QFont::PreferFullHinting);
    // Each glyph advances by its own width: text output does not kern pairs.
    qfont.setKerning(false);
    return qfont;
}

bool smoothsGlyphs(const QFont &font, uint8_t quality, int ppem)
{
    // Non-antialiased quality is never smoothed; every other quality, antialiased and
    // ClearType too, is smoothed where the font advises it for the size, as GDI draws them
    // (ClearType's colour fringes as grey).
    constexpr uint8_t kNonAntialiased = 3;
    return quality != kNonAntialiased && fontSmoothsAt(font, ppem);
}

} // namespace metafile
