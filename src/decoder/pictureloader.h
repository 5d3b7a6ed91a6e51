#pragma once

#include "base/result.h"
#include "metafile/metafile.h"
#include "raster/memorycap.h"
#include "raster/rasterheader.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <memory>
#include <variant>

class QFile;
class QIODevice;

// A still picture from a file: a bitmap, a metafile, or no picture at all. A bitmap may hold
// only the part of its pixels that its control can show; its natural size stays the whole.
class Picture
{
public:
    Picture() = default;
    explicit Picture(QImage bitmap);
    explicit Picture(metafile::Metafile drawing);

    bool isNull() const { return std::holds_alternative<std::monostate>(m_content); }
    bool isMetafile() const { return std::holds_alternative<metafile::Metafile>(m_content); }
    // The bitmap's pixels as held; a null image for a metafile or no picture.
    QImage bitmap() const;

    // In logical pixels: a bitmap's pixel size, a metafile's own size at 96 dpi.
    QSize naturalSize() const;
    QSizeF naturalSizeTwips() const;

    // A part of the picture (in its logical pixels) for a screen of the given ratio: a bitmap
    // keeps its pixels, a metafile is played at the screen's resolution into that part only,
    // so that the cost follows what is shown. A null image when nothing of it is there.
    QImage render(const QRect &part, qreal devicePixelRatio) const;

private:
    friend Result<Picture> decodePicture(QIODevice &device, const QRect &shown);
    struct Bitmap
    {
        QImage pixels;
        // Where the held pixels sit in the whole picture, and the whole picture's size.
        QPoint origin;
        QSize natural;
        // A single-scan JPEG shown whole keeps its file instead, and decodes the part asked
        // for: its reader decodes rows only down to that part, and keeps none of the rest.
        QByteArray source;
        raster::Header header;
    };
    std::variant<std::monostate, Bitmap, metafile::Metafile> m_content;
    // The share of the memory cap the pixels or the metafile's bytes hold.
    std::shared_ptr<const raster::Reservation> m_held;
};

namespace picturelimits {
// A file larger than this holds more than the memory cap lets any picture decode to.
constexpr qint64 kMaxFileBytes = raster::kMaxHeldBytes;
// Metafiles are read whole before they are played; drawings are far smaller than this.
constexpr qint64 kMaxMetafileBytes = qint64(32) << 20;
} // namespace picturelimits

// Opens a picture file for reading: a regular file within the size cap, never a FIFO or a
// device that would block or never end.
Result<bool> openPictureFile(const QString &path, QFile &file);

// A load of the file at path that failed, as the loader words it: "Cannot load picture PATH: why".
Error cannotLoad(const QString &path, const Error &why);

// Loads the picture in a file; the path is used unchanged. The empty path gives no picture;
// anything else that is not a readable BMP, GIF, JPEG, WMF or EMF fails with its reason.
// shown, when given, is the only part (in logical pixels) its control can ever show: a
// bitmap then keeps only those pixels, and decodes only them where its format allows.
Result<Picture> Load(const QString &path, const QRect &shown = {});

// The decoding behind Load, for bytes already at hand: the format comes from the content.
Result<Picture> decodePicture(QIODevice &device, const QRect &shown = {});
