#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Text in the Windows code pages, by their numbers: 932 (Japanese, the settings file's and most
// metafiles'), 936, 949, 950, 874 and 1250 to 1258. Each system converts with its own tables
// (the C library's iconv, or Windows' own); what both share lives in codepage.cpp.
namespace codepage {

// The bytes as text; nullopt when a byte does not begin a character of the page, or a two-byte
// character is cut off at the end.
std::optional<QString> decode(int page, QByteArrayView bytes);
// Never fails: a byte that does not begin a character becomes U+FFFD and the rest goes on.
QString decodeReplacing(int page, QByteArrayView bytes);
// nullopt when the text holds a character the page cannot represent.
std::optional<QByteArray> encode(int page, QStringView text);

// The bytes the character at `at` takes: 2 for a lead byte of the page with a byte after it,
// else 1.
qsizetype characterLength(int page, QByteArrayView bytes, qsizetype at);

} // namespace codepage
