#pragma once

#include "metafile/emf/header.h"
#include "metafile/drawing/playback.h"

#include <QByteArrayView>

namespace metafile {
class Canvas;
} // namespace metafile

namespace metafile::emf {

// Plays the records of an enhanced metafile onto the canvas, each in turn, skipping those it cannot
// play.
Playback play(QByteArrayView data, const Header &header, Canvas &canvas);

} // namespace metafile::emf
