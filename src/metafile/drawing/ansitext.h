#pragma once

#include "metafile/drawing/gdiobjects.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace metafile {

struct DecodedText
{
    QString text;
    // One advance per UTF-16 unit of text, empty when the record gave none.
    QList<double> advances;
};

// An 8-bit string of a text record in the code page of the selected font's character set.
// byteAdvances, when not empty, holds one advance per byte; a two-byte character gets the sum of
// its two.
DecodedText decodeAnsi(QByteArrayView bytes, const Font &font, const QList<double> &byteAdvances);

// A string of 16-bit units as the font shows it: in a Symbol font, the codes of the Symbol
// encoding (a byte, or 0xF000 plus it) become the characters their glyphs stand for.
QString symbolText(QString units, const Font &font);

} // namespace metafile
