#include "base/codepage.h"

#include <windows.h>

namespace codepage {

std::optional<QString> decode(int page, QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    const int length = int(bytes.size());
    const int units =
        MultiByteToWideChar(UINT(page), MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (units <= 0)
        return std::nullopt;
    QString text(units, Qt::Uninitialized);
    MultiByteToWideChar(UINT(page), MB_ERR_INVALID_CHARS, bytes.data(), length,
                        reinterpret_cast<wchar_t *>(text.data()), units);
    return text;
}

std::optional<QByteArray> encode(int page, QStringView text)
{
    if (text.isEmpty())
        return QByteArray();
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = int(text.size());
    // No best fit: a character the page lacks fails the conversion rather than becoming a
    // look-alike that would read back as another character.
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(UINT(page), WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0,
                                         nullptr, &usedDefault);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    WideCharToMultiByte(UINT(page), WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), size, nullptr,
                        &usedDefault);
    return bytes;
}

} // namespace codepage
