#pragma once

#include <QByteArrayView>
#include <QRegion>

#include <optional>

namespace metafile {

// A WMF region object: scans of rectangle pairs. nullopt when malformed or past the cap.
std::optional<QRegion> readWmfRegion(QByteArrayView bytes);

// An EMF region: a header and a list of rectangles. nullopt when malformed or past the cap.
std::optional<QRegion> readEmfRegion(QByteArrayView bytes);

} // namespace metafile
