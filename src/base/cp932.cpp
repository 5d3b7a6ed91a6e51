#include "base/cp932.h"

#include "base/codepage.h"
#include "base/rawbytes.h"

namespace cp932 {
namespace {

constexpr int kPage = 932;

// Why text has no CP932 bytes: its first character that has none.
Error noBytesFor(QStringView text)
{
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (!codepage::encode(kPage, text.sliced(i, length)))
            return Error{
                QStringLiteral("U+%1 has no CP932 code")
                    .arg(QChar::surrogateToUcs4(text[i], length == 2 ? text[i + 1] : QChar()), 4,
                         16, QLatin1Char('0'))
                    .toUpper()};
        i += length;
    }
    return Error{QStringLiteral("no CP932 bytes read back as this text")};
}

} // namespace

QString decode(const QByteArray &bytes)
{
    return codepage::decodeReplacing(kPage, bytes);
}

Result<QByteArray> encode(const QString &text)
{
    if (auto bytes = codepage::encode(kPage, text))
        return std::move(*bytes);
    return noBytesFor(text);
}

QString decodeLossless(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            text += QChar(byte); // CP932's lower half is ASCII
            ++i;
            continue;
        }
        const qsizetype length = codepage::characterLength(kPage, bytes, i);
        const QByteArrayView unit = bytes.sliced(i, length);
        const std::optional<QString> read = codepage::decode(kPage, unit);
        const std::optional<QByteArray> back = read ? codepage::encode(kPage, *read) : std::nullopt;
        if (back && *back == unit) {
            text += *read;
            i += length;
        } else {
            text += rawbytes::escape(byte);
            ++i;
        }
    }
    return text;
}

Result<QByteArray> encodeLossless(const QString &text)
{
    QByteArray bytes;
    qsizetype runStart = 0;
    const auto appendRun = [&](qsizetype end) {
        const auto run =
            codepage::encode(kPage, QStringView(text).sliced(runStart, end - runStart));
        if (run)
            bytes += *run;
        return run.has_value();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::optional<char> kept = rawbytes::keptByte(text, i);
        if (!kept)
            continue;
        if (!appendRun(i))
            return noBytesFor(text);
        bytes += *kept;
        runStart = i + 1;
    }
    if (!appendRun(text.size()) || decodeLossless(bytes) != text)
        return noBytesFor(text);
    return bytes;
}

} // namespace cp932
