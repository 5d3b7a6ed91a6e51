#include "platform/makerlibrary.h"

#include "base/cp932.h"
#include "platform/executable.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

constexpr const char *kExport = "OrveltHpURL";

#ifdef _WIN32
QString lastErrorText()
{
    const DWORD code = GetLastError();
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    QString text = length != 0 ? QString::fromWCharArray(buffer, static_cast<int>(length)).trimmed()
                               : QString::fromUtf8("エラー %1").arg(code);
    LocalFree(buffer);
    return text;
}

void *openLibrary(const QString &path, QString *error)
{
    const std::wstring wide = QDir::toNativeSeparators(path).toStdWString();
    HMODULE module = LoadLibraryW(wide.c_str());
    if (module == nullptr) {
        *error = lastErrorText();
    }
    return module;
}

void *findExport(void *handle, QString *error)
{
    FARPROC found = GetProcAddress(static_cast<HMODULE>(handle), kExport);
    if (found == nullptr) {
        *error = lastErrorText();
    }
    return reinterpret_cast<void *>(found);
}

void closeLibrary(void *handle)
{
    FreeLibrary(static_cast<HMODULE>(handle));
}
#else
QString lastErrorText()
{
    const char *text = dlerror();
    return text != nullptr ? QString::fromLocal8Bit(text) : QString::fromUtf8("原因不明のエラー");
}

void *openLibrary(const QString &path, QString *error)
{
    // A path with a slash in it is opened as it stands: no search path is consulted.
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        *error = lastErrorText();
    }
    return handle;
}

void *findExport(void *handle, QString *error)
{
    dlerror();
    void *found = dlsym(handle, kExport);
    if (found == nullptr) {
        *error = lastErrorText();
    }
    return found;
}

void closeLibrary(void *handle)
{
    dlclose(handle);
}
#endif

} // namespace

MakerLibrary::MakerLibrary(const QString &folder) : m_folder(folder) {}

MakerLibrary::~MakerLibrary()
{
    if (m_handle != nullptr) {
        closeLibrary(m_handle);
    }
}

QString MakerLibrary::fileName()
{
#if defined(_WIN32)
    return QStringLiteral("ZOR7Res.dll");
#elif defined(__APPLE__)
    return QStringLiteral("libZOR7Res.dylib");
#else
    return QStringLiteral("libZOR7Res.so");
#endif
}

MakerLibrary &MakerLibrary::beside()
{
    static MakerLibrary library(executable::folder());
    return library;
}

QString MakerLibrary::path() const
{
    return QDir(m_folder).filePath(fileName());
}

Status MakerLibrary::bind()
{
    if (m_address != nullptr) {
        return Done{};
    }
    // A relative folder would be taken from the working folder, which may hold anything.
    if (m_folder.isEmpty() || !QDir::isAbsolutePath(m_folder)) {
        return Error{
            QStringLiteral("%1: the library's folder is not an absolute path").arg(path())};
    }
    QString error;
    void *handle = openLibrary(path(), &error);
    if (handle == nullptr) {
        return Error{error};
    }
    void *found = findExport(handle, &error);
    if (found == nullptr) {
        closeLibrary(handle);
        return Error{error};
    }
    m_handle = handle;
    m_address = reinterpret_cast<AddressFunction>(found);
    return Done{};
}

Result<QString> MakerLibrary::homePageAddress()
{
    if (Status bound = bind(); !bound) {
        return bound.error();
    }
    char *raw = m_address();
    if (raw == nullptr) {
        return Error{
            QStringLiteral("%1: %2 returned no address").arg(path(), QLatin1String(kExport))};
    }
    // The address is narrow text in the program's code page; the caller owns and frees it.
    const QString address = cp932::decode(QByteArray(raw));
    std::free(raw);
    return address;
}
