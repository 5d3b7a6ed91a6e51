#pragma once

#include "base/result.h"
#include "metafile/wmf/header.h"

#include <QByteArrayView>

namespace metafile {
class Canvas;
} // namespace metafile

namespace metafile::wmf {

// Plays the records of a Windows metafile onto the canvas. Returns the first record it skipped, and
// why; ok when it skipped none.
Status play(QByteArrayView data, const Header &header, Canvas &canvas);

} // namespace metafile::wmf
