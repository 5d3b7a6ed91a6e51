#include "base/codepage.h"

namespace codepage {

namespace {

bool isLeadByte(int page, uint8_t byte)
{
    switch (page) {
    case 932:
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xFE;
    default:
        return false;
    }
}

} // namespace

qsizetype characterLength(int page, QByteArrayView bytes, qsizetype at)
{
    return isLeadByte(page, uint8_t(bytes[at])) && at + 1 < bytes.size() ? 2 : 1;
}

QString decodeReplacing(int page, QByteArrayView bytes)
{
    if (std::optional<QString> whole = decode(page, bytes))
        return *whole;
    // Character by character, so that one bad byte costs one replacement, not the text.
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = characterLength(page, bytes, i);
        if (std::optional<QString> one = decode(page, bytes.sliced(i, length))) {
            text += *one;
            i += length;
        } else {
            text += QChar(QChar::ReplacementCharacter);
            ++i;
        }
    }
    return text;
}

} // namespace codepage
