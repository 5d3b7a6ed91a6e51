#include "base/rawbytes.h"

#include <QStringDecoder>

#include <algorithm>

namespace rawbytes {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence starting at i, or 0 when there is none there
// (RFC 3629, table 3-7: no overlong forms, no surrogates, nothing above U+10FFFF).
int sequenceLength(QByteArrayView s, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() - i < length || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// Valid UTF-8 as text. A byte-order mark at its start is text too: the toolkit's plain
// conversion would drop it, and the bytes would not come back.
QString decodeValid(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool isEscapedByte(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

} // namespace

QChar escape(unsigned char byte)
{
    return QChar(char16_t(kEscapeBase + byte));
}

std::optional<char> keptByte(QStringView text, qsizetype i)
{
    const char16_t unit = text.at(i).unicode();
    if (!isEscapedByte(unit) || (i > 0 && text.at(i - 1).isHighSurrogate()))
        return std::nullopt;
    return char(unit - kEscapeBase);
}

QString fromUtf8(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    qsizetype runStart = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int length = sequenceLength(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        text += decodeValid(bytes.sliced(runStart, i - runStart));
        text += escape(static_cast<unsigned char>(bytes[i]));
        runStart = ++i;
    }
    if (runStart == 0)
        return decodeValid(bytes);
    text += decodeValid(bytes.sliced(runStart));
    return text;
}

QByteArray toUtf8(QStringView text)
{
    if (std::none_of(text.cbegin(), text.cend(),
                     [](QChar c) { return isEscapedByte(c.unicode()); }))
        return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::optional<char> byte = keptByte(text, i);
        if (!byte)
            continue;
        bytes += text.sliced(runStart, i - runStart).toUtf8();
        bytes += *byte;
        runStart = i + 1;
    }
    bytes += text.sliced(runStart).toUtf8();
    return bytes;
}

} // namespace rawbytes
