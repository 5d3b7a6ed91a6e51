#pragma once

#include "base/result.h"

#include <QByteArrayView>
#include <QRegion>

namespace metafile {

// A WMF region object: scans of rectangle pairs. Fails with why when malformed or past the cap.
Result<QRegion> readWmfRegion(QByteArrayView bytes);

// An EMF region: a header and a list of rectangles. Fails with why when malformed or past the
// cap.
Result<QRegion> readEmfRegion(QByteArrayView bytes);

} // namespace metafile
