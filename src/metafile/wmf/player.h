#pragma once

#include "metafile/drawing/playback.h"
#include "metafile/wmf/header.h"

#include <QByteArrayView>

namespace metafile {
class Canvas;
} // namespace metafile

namespace metafile::wmf {

// Plays the records of a Windows metafile onto the canvas, each in turn, skipping those it cannot
// play.
Playback play(QByteArrayView data, const Header &header, Canvas &canvas);

} // namespace metafile::wmf
