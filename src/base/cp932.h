#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Text in the Windows Japanese code page, the encoding of the settings file and of the
// metafiles' ANSI strings.
namespace cp932 {

// Bytes that are not valid CP932 become U+FFFD; decoding never fails.
QString decode(const QByteArray &bytes);
// Fails, naming it, when the text holds a character CP932 cannot represent.
Result<QByteArray> encode(const QString &text);

// For text that must be written back as it was read (the settings file's strings): a byte
// that does not read as a character of its own bytes is kept (see rawbytes.h), undefined
// bytes such as 0xA0 and 0xFD..0xFF, and the second spelling of a character that CP932 has
// twice (0xED40 is read as U+7E8A, which is written as 0xFA5C).
QString decodeLossless(QByteArrayView bytes);
// The bytes decodeLossless reads back as text; fails when there are none (a character
// outside CP932, or kept bytes that would read back as a character).
Result<QByteArray> encodeLossless(const QString &text);

} // namespace cp932
