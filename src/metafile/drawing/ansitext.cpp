#include "metafile/drawing/ansitext.h"

#include "base/cp932.h"
#include "metafile/drawing/fontmatch.h"

#include <iconv.h>

#include <cerrno>
#include <iterator>
#include <string_view>

#include <vector>

namespace metafile {

namespace {

// The Windows code page of each character set, and whether it has two-byte characters.
struct CodePage
{
    const char *name;
    bool doubleByte;
};

CodePage codePage(uint8_t set)
{
    switch (set) {
    case charset::kShiftJis:
    case charset::kDefault:
        return {"CP932", true};
    case 129:
        return {"CP949", true};
    case 134:
        return {"CP936", true};
    case 136:
        return {"CP950", true};
    case 161:
        return {"CP1253", false};
    case 162:
        return {"CP1254", false};
    case 163:
        return {"CP1258", false};
    case 177:
        return {"CP1255", false};
    case 178:
        return {"CP1256", false};
    case 186:
        return {"CP1257", false};
    case 204:
        return {"CP1251", false};
    case 222:
        return {"CP874", false};
    case 238:
        return {"CP1250", false};
    default:
        return {"CP1252", false};
    }
}

bool isLeadByte(const CodePage &page, uint8_t b)
{
    if (!page.doubleByte)
        return false;
    if (page.name == std::string_view("CP932"))
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return b >= 0x81 && b <= 0xFE;
}

// The converter from a code page, opened once for each thread: opening one loads its
// tables, which costs far more than a sign's strings take to convert.
iconv_t converter(const char *page)
{
    struct Open
    {
        std::vector<std::pair<const char *, iconv_t>> converters;
        ~Open()
        {
            for (const auto &[name, cd] : converters)
                iconv_close(cd);
        }
    };
    thread_local Open open;
    for (const auto &[name, cd] : open.converters) {
        if (name == std::string_view(page)) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
            return cd;
        }
    }
    iconv_t cd = iconv_open("UTF-16LE", page);
    if (cd != reinterpret_cast<iconv_t>(-1))
        open.converters.emplace_back(page, cd);
    return cd;
}

// Decodes through iconv; a byte it cannot take becomes one replacement character.
QString decodePage(const CodePage &page, QByteArrayView bytes)
{
    if (!page.name)
        return QString::fromLatin1(bytes.data(), bytes.size());
    if (page.name == std::string_view("CP932"))
        return cp932::decode(bytes.toByteArray());
    iconv_t cd = converter(page.name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes.data(), bytes.size());
    QString out;
    std::vector<char> buffer(4096);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *dst = buffer.data();
        size_t dstLeft = buffer.size();
        const size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer.data()),
                                      qsizetype(buffer.size() - dstLeft) / 2));
        if (r == size_t(-1) && errno != E2BIG) {
            out.append(QChar::ReplacementCharacter);
            ++in;
            --inLeft;
        }
    }
    return out;
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
    const CodePage page = symbol ? CodePage{nullptr, false} : codePage(font.charset);
    // Split into characters first, so that advances follow characters, not bytes.
    QList<QByteArrayView> chars;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype len = isLeadByte(page, uint8_t(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
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
