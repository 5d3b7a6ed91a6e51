#include "platform/filelist.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr char32_t kEscapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence starting at i, or 0 when there is none there
// (RFC 3629, table 3-7: no overlong forms, no surrogates, nothing above U+10FFFF).
int sequenceLength(QByteArrayView s, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (s.size() - i < length || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

bool isEscapedByte(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

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

std::optional<FileListError> errorFromErrno(int error)
{
    const bool missing = error == ENOENT || error == ENOTDIR;
    return FileListError{missing ? FileListError::Kind::NotFound : FileListError::Kind::Other,
                         qt_error_string(error)};
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

std::optional<FileListError> readFolder(const QString &path, QStringList &names)
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
    return std::nullopt;
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
std::optional<FileListError> readFolder(const QString &path, QStringList &names)
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
    return std::nullopt;
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

FileList::FileList()
{
    setPath(workingDirectory());
}

std::optional<FileListError> FileList::setPath(const QString &path)
{
    QStringList names;
    if (auto error = readFolder(path, names))
        return error;
    sortNames(names);
    m_truncated = names.size() > kMaxEntries;
    if (m_truncated)
        names.resize(kMaxEntries);
    m_entries = std::move(names);
    m_path = path;
    return std::nullopt;
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
    QString name;
    name.reserve(bytes.size());
    qsizetype runStart = 0;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int length = sequenceLength(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        name += QString::fromUtf8(bytes.sliced(runStart, i - runStart));
        name += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[i])));
        runStart = ++i;
    }
    if (runStart == 0)
        return QString::fromUtf8(bytes);
    name += QString::fromUtf8(bytes.sliced(runStart));
    return name;
}

QByteArray FileList::encodeName(const QString &name)
{
    if (std::none_of(name.cbegin(), name.cend(),
                     [](QChar c) { return isEscapedByte(c.unicode()); }))
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name.at(i).unicode();
        // A low surrogate that completes a pair is text, not an escaped byte.
        const bool paired = i > 0 && name.at(i - 1).isHighSurrogate();
        if (!isEscapedByte(unit) || paired)
            continue;
        bytes += QStringView(name).sliced(runStart, i - runStart).toUtf8();
        bytes += char(unit - kEscapeBase);
        runStart = i + 1;
    }
    bytes += QStringView(name).sliced(runStart).toUtf8();
    return bytes;
}
