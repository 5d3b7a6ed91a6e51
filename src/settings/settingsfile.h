#pragma once

#include "base/result.h"

#include <QByteArray>
#include <QString>

// The settings file as a whole: where it lies, reading it, and replacing it so that the
// previous file survives any failure. Nothing here throws or shows a message; every failure
// comes back with the system's reason, for the caller to show beside the path.
namespace settingsfile {

// The record is one short line and only its first 16 fields count, so a larger file is read
// no further than this: a hostile file cannot fill the memory.
constexpr qint64 kMaxReadBytes = 1 << 20;

// The folder, exactly one separator, the name, ".ini"; empty when either part is empty.
QString pathIn(const QString &folder, const QString &baseName);

// The file beside the executable. When no such file exists and the executable's folder cannot
// be written (a system-wide install), the file of the same name in configFolder instead.
QString locate(const QString &executableFolder, const QString &baseName,
               const QString &configFolder);

// The file an installer puts beside the executable on Windows, where the program's folder is the
// system's: the settings then live in the user's application data.
constexpr const char *kInstalledMarker = "potero-installed";

// locate() for the running program, with the user's configuration folder for this program; on
// Windows, beside the executable unless the installer's marker is there.
QString path();

// At most kMaxReadBytes from the start of a regular file.
Result<QByteArray> read(const QString &path);

// Writes a temporary file in the same folder, flushes it to the disk and renames it over the
// old file. On failure the old file is untouched.
Status write(const QString &path, const QByteArray &bytes);

} // namespace settingsfile
