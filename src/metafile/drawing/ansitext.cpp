#include "metafile/drawing/ansitext.h"

#include "base/codepage.h"
#include "metafile/drawing/fontmatch.h"

#include <iterator>

namespace metafile {

namespace {

// The Windows code page of each character set; 0 for the Symbol encoding's bytes.
int codePage(uint8_t set)
{
    switch (set) {
    case charset::kShiftJis:
    case charset::kDefault:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 1252;
    }
}

QString decodePage(int page, QByteArrayView bytes)
{
    if (page == 0)
        return QString::fromLatin1(bytes.data(), bytes.size());
    return codepage::decodeReplacing(page, bytes);
}

// The characters of the Symbol encoding's codes 0x20 to 0x7E and 0xA0 to 0xFE; 0xF0 has none.
constexpr char16_t kSymbolLow[] = u" !∀#∃%&∋()∗+,−./0123456789:;<=>?"
                                  u"≅ΑΒΧΔΕΦΓΗΙϑΚΛΜΝΟΠΘΡΣΤΥςΩΞΨΖ[∴]⊥_"
                                  u"‾αβχδεφγηιϕκλμνοπθρστυϖωξψζ{|}∼";
constexpr char16_t kSymbolHigh[] = u"€ϒ′≤⁄∞ƒ♣♦♥♠↔←↑→↓°±″≥×∝∂•÷≠≡≈…⏐⎯↵"
                                   u"ℵℑℜ℘⊗⊕∅∩∪⊃⊇⊄⊂⊆∈∉∠∇®©™∏√⋅¬∧∨⇔⇐⇑⇒⇓"
                                   u"◊⟨®©™∑⎛⎜⎝⎡⎢⎣⎧⎨⎩⎪\0⟩∫⌠⎮⌡⎞⎟⎠⎤⎥⎦⎫⎬⎭";
static_assert(std::size(kSymbolLow) == 96 && std::size(kSymbolHigh) == 96);

char16_t symbolChar(char16_t unit)
{
    const char16_t code = (unit & 0xFF00) == 0xF000 ? unit & 0xFF : unit;
    char16_t c = 0;
    if (code >= 0x20 && code <= 0x7E)
        c = kSymbolLow[code - 0x20];
    else if (code >= 0xA0 && code <= 0xFE)
        c = kSymbolHigh[code - 0xA0];
    return c ? c : unit;
}

double advanceAt(const QList<double> &advances, qsizetype i)
{
    return i < advances.size() ? advances[i] : 0;
}

} // namespace

DecodedText decodeAnsi(QByteArrayView bytes, const Font &font, const QList<double> &byteAdvances)
{
    DecodedText out;
    // Symbol fonts take their bytes one by one, as codes of the Symbol encoding.
    const bool symbol = isSymbolFont(font);
    const int page = symbol ? 0 : codePage(font.charset);
    // Split into characters first, so that advances follow characters, not bytes.
    QList<QByteArrayView> chars;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype len = codepage::characterLength(page, bytes, i);
        chars.append(bytes.sliced(i, len));
        i += len;
    }
    out.text = decodePage(page, bytes);
    if (out.text.size() != chars.size()) {
        // An undecodable byte broke the one-to-one match: decode the characters one by one.
        out.text.clear();
        for (const QByteArrayView c : chars) {
            const QString one = decodePage(page, c);
            out.text.append(one.isEmpty() ? QString(QChar::ReplacementCharacter) : one.left(1));
        }
    }
    if (symbol)
        out.text = symbolText(out.text, font);
    if (!byteAdvances.isEmpty()) {
        qsizetype at = 0;
        for (const QByteArrayView c : chars) {
            out.advances.append(advanceAt(byteAdvances, at) +
                                (c.size() == 2 ? advanceAt(byteAdvances, at + 1) : 0));
            at += c.size();
        }
    }
    return out;
}

QString symbolText(QString units, const Font &font)
{
    if (isSymbolFont(font)) {
        for (QChar &c : units)
            c = QChar(symbolChar(c.unicode()));
    }
    return units;
}

} // namespace metafile
