#include "base/cp932.h"

#include "base/codepage.h"
#include "base/rawbytes.h"

namespace cp932 {
namespace {

constexpr int kPage = 932;

} // namespace

QString decode(const QByteArray &bytes)
{
    return codepage::decodeReplacing(kPage, bytes);
}

std::optional<QByteArray> encode(const QString &text)
{
    return codepage::encode(kPage, text);
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

std::optional<QByteArray> encodeLossless(const QString &text)
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
            return std::nullopt;
        bytes += *kept;
        runStart = i + 1;
    }
    if (!appendRun(text.size()) || decodeLossless(bytes) != text)
        return std::nullopt;
    return bytes;
}

} // namespace cp932
