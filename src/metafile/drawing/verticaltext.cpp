#include "metafile/drawing/verticaltext.h"

namespace metafile::vertical {

namespace {

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF01 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6);
}

// Marks that lie along a vertical line as they do along a horizontal one: the long vowel mark,
// dashes, waves, ellipses and brackets.
bool liesAlong(char16_t c)
{
    switch (c) {
    case u'ー':
    case u'―':
    case u'〜':
    case u'～':
    case u'…':
    case u'‥':
    case u'－':
    case u'＝':
    case u'→':
    case u'←':
        return true;
    default:
        return (c >= 0x3008 && c <= 0x3011) || (c >= 0x3014 && c <= 0x301B) || c == u'（' ||
               c == u'）' || c == u'［' || c == u'］' || c == u'｛' || c == u'｝' || c == u'｢' ||
               c == u'｣';
    }
}

} // namespace

bool isVerticalFace(const QString &face)
{
    return face.startsWith(u'@');
}

bool standsUpright(QChar c)
{
    return isWide(c.unicode()) && !liesAlong(c.unicode());
}

QString withVerticalForms(const QString &text)
{
    QString vertical = text;
    for (QChar &c : vertical) {
        // The comma and the full stop sit at the top right of a vertical cell.
        if (c == u'、')
            c = QChar(0xFE11);
        else if (c == u'。')
            c = QChar(0xFE12);
    }
    return vertical;
}

} // namespace metafile::vertical
