#pragma once

#include "base/result.h"
#include "metafile/emf/header.h"

#include <QByteArrayView>

namespace metafile {
class Canvas;
} // namespace metafile

namespace metafile::emf {

// Plays the records of a enhanced metafile onto the canvas. Returns the first record it skipped,
// and why; ok when it skipped none.
Status play(QByteArrayView data, const Header &header, Canvas &canvas);

} // namespace metafile::emf
