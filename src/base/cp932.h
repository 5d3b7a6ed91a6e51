#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Text in the Windows Japanese code page, the encoding of the settings file and of the
// metafiles' ANSI strings.
namespace cp932 {

// Bytes that are not valid CP932 become U+FFFD; decoding never fails.
QString decode(const QByteArray &bytes);
// nullopt when the text holds a character CP932 cannot represent.
std::optional<QByteArray> encode(const QString &text);

// For text that must be written back as it was read (the settings file's strings): a byte
// that does not read as a character of its own bytes is kept (see rawbytes.h), undefined
// bytes such as 0xA0 and 0xFD..0xFF, and the second spelling of a character that CP932 has
// twice (0xED40 is read as U+7E8A, which is written as 0xFA5C).
QString decodeLossless(QByteArrayView bytes);
// The bytes decodeLossless reads back as text; nullopt when there are none (a character
// outside CP932, or kept bytes that would read back as a character).
std::optional<QByteArray> encodeLossless(const QString &text);

} // namespace cp932
