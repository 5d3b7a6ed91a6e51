#include "platform/sharedblock.h"

#include <QProcess>

#include <windows.h>

namespace {

Error systemError(const char *what)
{
    const DWORD code = GetLastError();
    return Error{QStringLiteral("%1: %2").arg(QLatin1String(what), qt_error_string(int(code))), -1,
                 int(code)};
}

HANDLE handleOf(intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

} // namespace

void SharedBlock::release()
{
    if (m_data)
        UnmapViewOfFile(m_data);
    if (m_handle != -1)
        CloseHandle(handleOf(m_handle));
    m_data = nullptr;
    m_handle = -1;
}

Result<SharedBlock> SharedBlock::create(int64_t size)
{
    // Backed by the paging file and unnamed: only a child that inherits the handle maps it.
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE,
                                        DWORD(uint64_t(size) >> 32), DWORD(size), nullptr);
    if (!mapping)
        return systemError("CreateFileMapping");
    SharedBlock block;
    block.m_handle = reinterpret_cast<intptr_t>(mapping);
    void *data = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, SIZE_T(size));
    if (!data)
        return systemError("MapViewOfFile");
    block.m_data = static_cast<uchar *>(data);
    block.m_size = size;
    return block;
}

Result<SharedBlock> SharedBlock::attach(const QString &token, int64_t size)
{
    bool number = false;
    const qulonglong value = token.toULongLong(&number);
    if (!number || value == 0)
        return Error{QStringLiteral("no shared block at %1").arg(token)};
    HANDLE mapping = handleOf(intptr_t(value));
    void *data = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, SIZE_T(size));
    CloseHandle(mapping);
    if (!data)
        return systemError("MapViewOfFile");
    SharedBlock block;
    block.m_data = static_cast<uchar *>(data);
    block.m_size = size;
    return block;
}

QString SharedBlock::token() const
{
    return QString::number(qulonglong(m_handle));
}

void SharedBlock::shareWith(QProcess &) const
{
    // The handle was made inheritable, and the child is started with inheritance on.
}
