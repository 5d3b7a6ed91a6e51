#pragma once

#include <QString>

// The running program's own file: its name gives the caption's tail and the settings file's name.
namespace executable {

// The file name without its extension ("potero" for /opt/potero/potero).
QString baseName();
// The folder that holds the executable.
QString folder();

} // namespace executable
