#pragma once

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <cstring>

// The built-in pictures as the build renders them: a 12-byte header (width, height and the
// pixel format, native 32-bit integers), then the rows of 32-bit pixels, ready to draw. Read
// with one copy and no decoding, which a compressed picture format would cost at every start.
namespace artworkpixels {

inline constexpr int kHeaderBytes = 12;
// Larger than any built-in picture at two device pixels per logical pixel.
inline constexpr uint32_t kMaxSide = 4096;

inline QByteArray encode(const QImage &image)
{
    const QImage pixels = image.convertToFormat(
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    const uint32_t header[3] = {uint32_t(pixels.width()), uint32_t(pixels.height()),
                                uint32_t(pixels.format())};
    QByteArray bytes(reinterpret_cast<const char *>(header), kHeaderBytes);
    for (int y = 0; y < pixels.height(); ++y)
        bytes.append(reinterpret_cast<const char *>(pixels.constScanLine(y)), pixels.width() * 4);
    return bytes;
}

// The header alone: the picture's size, or an empty size when the bytes are not a picture.
inline QSize size(const QByteArray &bytes)
{
    uint32_t header[3] = {};
    if (bytes.size() < kHeaderBytes)
        return QSize();
    std::memcpy(header, bytes.constData(), kHeaderBytes);
    const bool known =
        header[2] == QImage::Format_ARGB32_Premultiplied || header[2] == QImage::Format_RGB32;
    if (!known || header[0] == 0 || header[1] == 0 || header[0] > kMaxSide || header[1] > kMaxSide)
        return QSize();
    return QSize(int(header[0]), int(header[1]));
}

inline QImage decode(const QByteArray &bytes)
{
    const QSize extent = size(bytes);
    if (extent.isEmpty() ||
        bytes.size() != kHeaderBytes + qsizetype(extent.width()) * extent.height() * 4)
        return QImage();
    uint32_t format = 0;
    std::memcpy(&format, bytes.constData() + 8, sizeof format);
    QImage image(extent, QImage::Format(format));
    for (int y = 0; y < extent.height(); ++y)
        std::memcpy(image.scanLine(y), bytes.constData() + kHeaderBytes + y * extent.width() * 4,
                    size_t(extent.width()) * 4);
    return image;
}

} // namespace artworkpixels
