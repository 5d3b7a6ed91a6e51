#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Text in the Windows Japanese code page, the encoding of the settings file and of the
// metafiles' ANSI strings.
namespace cp932 {

// Bytes that are not valid CP932 become U+FFFD; decoding never fails.
QString decode(const QByteArray &bytes);
// nullopt when the text holds a character CP932 cannot represent.
std::optional<QByteArray> encode(const QString &text);

} // namespace cp932
