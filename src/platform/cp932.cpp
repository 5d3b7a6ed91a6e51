#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace cp932 {
namespace {

// One conversion through iconv. With skipInvalid, an undecodable byte becomes a single
// replacement output and the conversion goes on; otherwise any invalid input fails.
std::optional<QByteArray> convert(const char *to, const char *from, const QByteArray &input,
                                  const QByteArray &replacement, bool skipInvalid)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray out;
    std::vector<char> buffer(4096);
    char *in = const_cast<char *>(input.constData());
    size_t inLeft = size_t(input.size());
    bool ok = true;
    while (inLeft > 0) {
        char *dst = buffer.data();
        size_t dstLeft = buffer.size();
        size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer.data(), qsizetype(buffer.size() - dstLeft));
        if (r != size_t(-1))
            continue;
        if (errno == E2BIG)
            continue;
        if (!skipInvalid) {
            ok = false;
            break;
        }
        // EILSEQ, or EINVAL for a lead byte cut off at the end: drop one byte.
        out.append(replacement);
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    return out;
}

} // namespace

QString decode(const QByteArray &bytes)
{
    static const QByteArray replacement = QString(QChar::ReplacementCharacter).toUtf8();
    auto utf8 = convert("UTF-8", "CP932", bytes, replacement, true);
    return utf8 ? QString::fromUtf8(*utf8) : QString();
}

std::optional<QByteArray> encode(const QString &text)
{
    return convert("CP932", "UTF-8", text.toUtf8(), QByteArray(), false);
}

} // namespace cp932
