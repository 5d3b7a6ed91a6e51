#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>

#include <optional>

// Text read from bytes that may not all be text: file names, the settings file's strings. A
// byte that the encoding does not read as part of a character is kept as the lone surrogate
// U+DC00 + byte (U+DC80..U+DCFF), so that writing the text gives back exactly the bytes read.
namespace rawbytes {

QChar escape(unsigned char byte);
// The byte kept at text[i], or nullopt when text[i] is text (a low surrogate completing a pair
// included).
std::optional<char> keptByte(QStringView text, qsizetype i);

// UTF-8: valid sequences read as text, every other byte is kept.
QString fromUtf8(QByteArrayView bytes);
QByteArray toUtf8(QStringView text);

} // namespace rawbytes
