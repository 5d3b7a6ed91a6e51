#pragma once

#include "platform/metafile/gdiobjects.h"

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

} // namespace metafile
