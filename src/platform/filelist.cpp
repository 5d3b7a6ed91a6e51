#include "platform/filelist.h"

#include "base/rawbytes.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <tuple>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The extensions of the pattern, lower case, without "*.".
const std::vector<QByteArray> &patternExtensions()
{
    static const std::vector<QByteArray> extensions = [] {
        std::vector<QByteArray> list;
        for (const QByteArray &part : QByteArray(FileList::kPattern).split(';'))
            list.push_back(part.mid(2).toLower());
        return list;
    }();
    return extensions;
}

Error errorFromErrno(int error)
{
    return Error{qt_error_string(error), -1, error};
}

#ifdef Q_OS_UNIX
// A link counts as what it points to; a dangling one is not a file.
bool isRegularFile(int folder, const dirent &item)
{
    if (item.d_type == DT_REG)
        return true;
    if (item.d_type != DT_LNK && item.d_type != DT_UNKNOWN)
        return false;
    struct stat info;
    return ::fstatat(folder, item.d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

Status readFolder(const QString &path, QStringList &names)
{
    if (path.isEmpty())
        return errorFromErrno(ENOENT);
    // O_DIRECTORY refuses a FIFO or device before opening it, so nothing here can block.
    const int fd = ::open(FileList::encodeName(path).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errorFromErrno(errno);
    DIR *folder = ::fdopendir(fd);
    if (!folder) {
        const int error = errno;
        ::close(fd);
        return errorFromErrno(error);
    }
    for (;;) {
        errno = 0;
        const dirent *item = ::readdir(folder);
        if (!item)
            break;
        const QByteArrayView name(item->d_name);
        if (name.startsWith('.') || !FileList::matchesPattern(name))
            continue;
        if (isRegularFile(::dirfd(folder), *item))
            names.append(FileList::decodeName(name));
    }
    const int error = errno;
    ::closedir(folder);
    if (error != 0)
        return errorFromErrno(error);
    return Done{};
}

QString workingDirectory()
{
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return QDir::currentPath();
        buffer.resize(buffer.size() * 2);
    }
    return FileList::decodeName(QByteArrayView(buffer.data()));
}
#else
Status readFolder(const QString &path, QStringList &names)
{
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return errorFromErrno(ENOENT);
    // Hidden and system files are left out unless asked for.
    QDirIterator it(path, QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString name = QFileInfo(it.next()).fileName();
        if (!name.startsWith(u'.') && FileList::matchesPattern(name.toUtf8()))
            names.append(name);
    }
    return Done{};
}

QString workingDirectory()
{
    return QDir::currentPath();
}
#endif

// Case-folded order, so "_x" sorts before letters as it would in lower case; names equal but
// for case are put in code-unit order, so the order never depends on the file system's.
void sortNames(QStringList &names)
{
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(names.size());
    for (QString &name : names)
        keyed.emplace_back(name.toCaseFolded(), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto &item : keyed)
        names.append(std::move(item.second));
}

} // namespace

FileList::FileList(int maxEntries) : m_maxEntries(std::clamp(maxEntries, 0, kMaxEntries))
{
    // A working folder that cannot be read lists nothing.
    std::ignore = setPath(workingDirectory());
}

Status FileList::setPath(const QString &path)
{
    QStringList names;
    if (Status read = readFolder(path, names); !read)
        return read;
    sortNames(names);
    m_truncated = names.size() > m_maxEntries;
    if (m_truncated)
        names.resize(m_maxEntries);
    m_entries = std::move(names);
    m_path = path;
    return Done{};
}

bool FileList::isNotFound(const Error &error)
{
    return error.code == ENOENT || error.code == ENOTDIR;
}

std::optional<QString> FileList::entry(int position) const
{
    if (position < 0 || position >= m_entries.size())
        return std::nullopt;
    return m_entries.at(position);
}

bool FileList::matchesPattern(QByteArrayView fileName)
{
    const qsizetype dot = fileName.lastIndexOf('.');
    if (dot < 0)
        return false;
    const QByteArrayView extension = fileName.sliced(dot + 1);
    return std::any_of(patternExtensions().begin(), patternExtensions().end(),
                       [&](const QByteArray &known) {
                           return extension.compare(known, Qt::CaseInsensitive) == 0;
                       });
}

QString FileList::decodeName(QByteArrayView bytes)
{
    return rawbytes::fromUtf8(bytes);
}

QByteArray FileList::encodeName(const QString &name)
{
    return rawbytes::toUtf8(name);
}
