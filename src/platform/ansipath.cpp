#include "platform/ansipath.h"

#ifdef _WIN32
#include "base/cp932.h"

#include <QDir>

#include <windows.h>

#include <vector>
#endif

namespace ansipath {

#ifdef _WIN32

QString representable(const QString &path)
{
    if (path.isEmpty() || cp932::encode(path))
        return path;
    const std::wstring wide = QDir::toNativeSeparators(path).toStdWString();
    const DWORD size = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (size == 0)
        return path;
    std::vector<wchar_t> buffer(size);
    const DWORD length = GetShortPathNameW(wide.c_str(), buffer.data(), size);
    if (length == 0 || length >= size)
        return path;
    const QString shortPath = QString::fromWCharArray(buffer.data(), int(length));
    return cp932::encode(shortPath) ? shortPath : path;
}

#else

QString representable(const QString &path)
{
    return path;
}

#endif

} // namespace ansipath
