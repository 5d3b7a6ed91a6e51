#include "base/cp932.h"

#include "base/rawbytes.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace cp932 {
namespace {

// One direction of conversion through iconv, opened once for a whole text.
class Converter
{
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != failed())
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // The input converted. With a replacement, an input byte that does not convert (a lead
    // byte cut off at the end included) becomes it and the conversion goes on; without one,
    // such a byte fails the conversion.
    std::optional<QByteArray> run(QByteArrayView input, const QByteArray *replacement = nullptr)
    {
        if (m_cd == failed())
            return std::nullopt;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray out;
        char *in = const_cast<char *>(input.data());
        size_t inLeft = size_t(input.size());
        while (inLeft > 0) {
            char *dst = m_buffer.data();
            size_t dstLeft = m_buffer.size();
            const size_t r = iconv(m_cd, &in, &inLeft, &dst, &dstLeft);
            out.append(m_buffer.data(), qsizetype(m_buffer.size() - dstLeft));
            if (r != size_t(-1) || errno == E2BIG)
                continue;
            if (!replacement)
                return std::nullopt;
            out.append(*replacement);
            ++in;
            --inLeft;
        }
        return out;
    }

private:
    static iconv_t failed() { return reinterpret_cast<iconv_t>(-1); }

    iconv_t m_cd;
    std::vector<char> m_buffer = std::vector<char>(4096);
};

bool isLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace

QString decode(const QByteArray &bytes)
{
    static const QByteArray replacement = QString(QChar::ReplacementCharacter).toUtf8();
    const auto utf8 = Converter("UTF-8", "CP932").run(bytes, &replacement);
    return utf8 ? QString::fromUtf8(*utf8) : QString();
}

std::optional<QByteArray> encode(const QString &text)
{
    return Converter("CP932", "UTF-8").run(text.toUtf8());
}

QString decodeLossless(QByteArrayView bytes)
{
    Converter toText("UTF-8", "CP932");
    Converter toBytes("CP932", "UTF-8");
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
        const qsizetype length = isLeadByte(byte) && i + 1 < bytes.size() ? 2 : 1;
        const QByteArrayView unit = bytes.sliced(i, length);
        const std::optional<QByteArray> utf8 = toText.run(unit);
        const std::optional<QByteArray> back = utf8 ? toBytes.run(*utf8) : std::nullopt;
        if (back && *back == unit) {
            text += QString::fromUtf8(*utf8);
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
    Converter toBytes("CP932", "UTF-8");
    QByteArray bytes;
    qsizetype runStart = 0;
    const auto appendRun = [&](qsizetype end) {
        const auto run = toBytes.run(QStringView(text).sliced(runStart, end - runStart).toUtf8());
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
