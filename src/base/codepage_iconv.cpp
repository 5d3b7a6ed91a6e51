#include "base/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace codepage {
namespace {

const iconv_t kFailed = reinterpret_cast<iconv_t>(-1);

// Converters opened once a thread: opening one loads its tables, which costs far more than the
// short texts of a settings line or a sign's metafile take to convert.
iconv_t converter(int page, bool toText)
{
    struct Open
    {
        std::vector<std::pair<int, iconv_t>> converters;
        ~Open()
        {
            for (const auto &[key, cd] : converters) {
                if (cd != kFailed)
                    iconv_close(cd);
            }
        }
    };
    thread_local Open open;
    const int key = toText ? page : -page;
    for (const auto &[k, cd] : open.converters) {
        if (k == key) {
            if (cd != kFailed)
                iconv(cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
            return cd;
        }
    }
    const QByteArray name = "CP" + QByteArray::number(page);
    iconv_t cd = toText ? iconv_open("UTF-16LE", name.constData())
                        : iconv_open(name.constData(), "UTF-16LE");
    open.converters.emplace_back(key, cd);
    return cd;
}

// The whole input converted, or nullopt at the first sequence that does not convert.
std::optional<QByteArray> convert(iconv_t cd, QByteArrayView input)
{
    if (cd == kFailed)
        return std::nullopt;
    QByteArray out;
    char buffer[4096];
    char *in = const_cast<char *>(input.data());
    size_t inLeft = size_t(input.size());
    while (inLeft > 0) {
        char *dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, qsizetype(sizeof buffer - dstLeft));
        if (r == size_t(-1) && errno != E2BIG)
            return std::nullopt;
    }
    return out;
}

} // namespace

std::optional<QString> decode(int page, QByteArrayView bytes)
{
    const std::optional<QByteArray> utf16 = convert(converter(page, true), bytes);
    if (!utf16)
        return std::nullopt;
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(utf16->constData()),
                              utf16->size() / 2);
}

std::optional<QByteArray> encode(int page, QStringView text)
{
    return convert(converter(page, false),
                   QByteArrayView(reinterpret_cast<const char *>(text.utf16()), text.size() * 2));
}

} // namespace codepage
