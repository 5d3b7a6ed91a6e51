#include "settings/settingsfile.h"

#include "platform/executable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace settingsfile {
namespace {

bool isSeparator(QChar c)
{
#ifdef Q_OS_WIN
    if (c == u'\\')
        return true;
#endif
    return c == u'/';
}

// The reasons are shown to the user, who reads Japanese, as every text of the program.
QString noPath()
{
    return QString::fromUtf8("設定ファイルの名前がありません。");
}

#ifdef Q_OS_UNIX
// The data must be on the disk before the rename makes it the settings file, or a crash could
// leave a renamed but empty file. EINVAL: the file system has nothing to sync.
Status syncToDisk(int fd)
{
    if (::fsync(fd) == 0 || errno == EINVAL)
        return Done{};
    return Error{QString::fromLocal8Bit(std::strerror(errno)), -1, errno};
}

// Makes the rename itself durable. The new file is in place already, so failure changes
// nothing the caller could act on.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}
#endif

} // namespace

QString pathIn(const QString &folder, const QString &baseName)
{
    if (folder.isEmpty() || baseName.isEmpty())
        return QString();
    QString path = folder;
    while (path.size() > 1 && isSeparator(path.back()) && isSeparator(path[path.size() - 2]))
        path.chop(1);
    if (!isSeparator(path.back()))
        path += u'/';
    return path + baseName + QStringLiteral(".ini");
}

QString locate(const QString &executableFolder, const QString &baseName,
               const QString &configFolder)
{
    const QString beside = pathIn(executableFolder, baseName);
    if (configFolder.isEmpty() || QFileInfo::exists(beside) ||
        QFileInfo(executableFolder).isWritable())
        return beside;
    return pathIn(configFolder, baseName);
}

QString path()
{
#ifdef Q_OS_WIN
    // Windows does not say reliably whether a folder can be written, so the installer says that
    // the program's folder is the system's: a marker beside the executable sends the settings
    // to the user's roaming application data. Unpacked from the zip, the file stays beside it.
    if (QFileInfo::exists(executable::folder() + u'/' + QLatin1String(kInstalledMarker)))
        return pathIn(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                      executable::baseName());
    return pathIn(executable::folder(), executable::baseName());
#else
    return locate(executable::folder(), executable::baseName(),
                  QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
#endif
}

Result<QByteArray> read(const QString &path)
{
    const QFileInfo info(path);
    // A FIFO or a device would block the start or never end.
    if (info.exists() && !info.isFile())
        return Error{QString::fromUtf8("通常のファイルではありません。")};
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return Error{path.isEmpty() ? noPath() : file.errorString()};
    QByteArray bytes = file.read(kMaxReadBytes);
    if (file.error() != QFileDevice::NoError)
        return Error{file.errorString()};
    return bytes;
}

Status write(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return Error{noPath()};
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return Error{QString::fromUtf8("フォルダー %1 を作成できません。").arg(folder)};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Error{file.errorString()};
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        Error error{file.errorString()};
        file.cancelWriting();
        return error;
    }
#ifdef Q_OS_UNIX
    if (Status synced = syncToDisk(file.handle()); !synced) {
        file.cancelWriting();
        return synced;
    }
#endif
    if (!file.commit())
        return Error{file.errorString()};
#ifdef Q_OS_UNIX
    syncFolder(folder);
#endif
    return Done{};
}

} // namespace settingsfile
