#pragma once

#include <QString>

// The running program's own file: its name gives the caption's tail and the settings file's name.
namespace executable {

// The file name without its extension ("potero" for /opt/potero/potero).
QString baseName();
// The folder that holds the executable.
QString folder();

// A file name without its extension: from its last dot on, unless that dot begins the name
// (".bus" has no extension, so it stays whole).
QString baseNameOf(const QString &fileName);

} // namespace executable
