#include "platform/sharedblock.h"

#include <QProcess>

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Error systemError(const char *what)
{
    return Error{QStringLiteral("%1: %2").arg(QLatin1String(what), qt_error_string(errno)), -1,
                 errno};
}

} // namespace

void SharedBlock::release()
{
    if (m_data)
        ::munmap(m_data, size_t(m_size));
    if (m_handle >= 0)
        ::close(int(m_handle));
    m_data = nullptr;
    m_handle = -1;
}

Result<SharedBlock> SharedBlock::create(int64_t size)
{
    // Anonymous memory with a descriptor: nothing appears in any folder, and only a child that
    // is handed the descriptor can map it.
    const int fd = ::memfd_create("potero-pixels", MFD_CLOEXEC);
    if (fd < 0)
        return systemError("memfd_create");
    SharedBlock block;
    block.m_handle = fd;
    if (::ftruncate(fd, off_t(size)) != 0)
        return systemError("ftruncate");
    void *data = ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED)
        return systemError("mmap");
    block.m_data = static_cast<uchar *>(data);
    block.m_size = size;
    return block;
}

Result<SharedBlock> SharedBlock::attach(const QString &token, int64_t size)
{
    bool number = false;
    const int fd = token.toInt(&number);
    struct stat info;
    if (!number || fd < 3 || ::fstat(fd, &info) != 0 || info.st_size < size)
        return Error{QStringLiteral("no shared block at %1").arg(token)};
    SharedBlock block;
    void *data = ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (data == MAP_FAILED)
        return systemError("mmap");
    block.m_data = static_cast<uchar *>(data);
    block.m_size = size;
    return block;
}

QString SharedBlock::token() const
{
    return QString::number(m_handle);
}

void SharedBlock::shareWith(QProcess &process) const
{
    // The descriptor closes on exec everywhere else; only this child keeps it.
    const int fd = int(m_handle);
    process.setChildProcessModifier([fd] { ::fcntl(fd, F_SETFD, 0); });
}
