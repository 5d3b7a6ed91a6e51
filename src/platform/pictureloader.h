#pragma once

#include "platform/metafile/metafile.h"

#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <stdexcept>
#include <variant>

class QIODevice;
class QPainter;

// A still picture from a file: a bitmap, a metafile, or no picture at all.
class Picture
{
public:
    Picture() = default;
    explicit Picture(QImage bitmap);
    explicit Picture(metafile::Metafile drawing);

    bool isNull() const { return std::holds_alternative<std::monostate>(m_content); }
    bool isMetafile() const { return std::holds_alternative<metafile::Metafile>(m_content); }
    // The bitmap as decoded; a null image for a metafile or no picture.
    QImage bitmap() const;

    // In logical pixels: a bitmap's pixel size, a metafile's own size at 96 dpi.
    QSize naturalSize() const;
    QSizeF naturalSizeTwips() const;

    // Draws the picture at its natural size with its top-left corner at topLeft.
    void draw(QPainter &painter, QPointF topLeft = {}) const;
    // For showing on a screen of the given ratio: a bitmap keeps its pixels, a metafile is
    // played at the screen's resolution so it stays sharp. A null pixmap for no picture.
    QPixmap toPixmap(qreal devicePixelRatio) const;

private:
    std::variant<std::monostate, QImage, metafile::Metafile> m_content;
};

class PictureLoadError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

namespace picturelimits {
// Larger files hold more than any picture that may be decoded.
constexpr qint64 kMaxFileBytes = qint64(256) << 20;
// Metafiles are read whole before they are played; drawings are far smaller than this.
constexpr qint64 kMaxMetafileBytes = qint64(32) << 20;
// What a decoded bitmap may take, at 4 bytes a pixel, checked from the header before decoding.
constexpr qint64 kMaxDecodedBytes = qint64(256) << 20;
} // namespace picturelimits

// Loads the picture in a file; the path is used unchanged. The empty path gives no picture.
// Anything else that is not a readable BMP, GIF, JPEG, WMF or EMF throws PictureLoadError.
Picture Load(const QString &path);

// The decoding behind Load, for bytes already at hand: the format comes from the content, and a
// bitmap whose pixels would take more than maxDecodedBytes is refused before it is decoded.
Picture decodePicture(QIODevice &device, qint64 maxDecodedBytes = picturelimits::kMaxDecodedBytes);
