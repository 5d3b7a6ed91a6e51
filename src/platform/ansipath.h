#pragma once

#include <QString>

// Paths as the settings file keeps them, in the Japanese code page.
namespace ansipath {

// On Windows, a path holding a character that CP932 lacks comes back as its short (8.3) form,
// which names the same file or folder in plain ASCII, when the volume keeps short names: the
// settings line then stays in CP932 and still leads there. Any other path, and every path on
// other systems, comes back as it is (the settings file keeps such a path in UTF-8).
QString representable(const QString &path);

} // namespace ansipath
