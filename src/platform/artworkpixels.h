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

struct Header
{
    QSize size;
    QImage::Format format = QImage::Format_Invalid;
};

// The header alone: the picture's size and format, or an empty size when the bytes are not a
// picture.
inline Header header(const QByteArray &bytes)
{
    uint32_t fields[3] = {};
    if (bytes.size() < kHeaderBytes)
        return {};
    std::memcpy(fields, bytes.constData(), kHeaderBytes);
    const bool known =
        fields[2] == QImage::Format_ARGB32_Premultiplied || fields[2] == QImage::Format_RGB32;
    if (!known || fields[0] == 0 || fields[1] == 0 || fields[0] > kMaxSide || fields[1] > kMaxSide)
        return {};
    return {QSize(int(fields[0]), int(fields[1])), QImage::Format(fields[2])};
}

inline QImage decode(const QByteArray &bytes)
{
    const Header head = header(bytes);
    if (head.size.isEmpty() ||
        bytes.size() != kHeaderBytes + qsizetype(head.size.width()) * head.size.height() * 4)
        return QImage();
    // Rows of 32-bit pixels lie in a QImage without padding, as they lie in the bytes.
    QImage image(head.size, head.format);
    std::memcpy(image.bits(), bytes.constData() + kHeaderBytes, size_t(image.sizeInBytes()));
    return image;
}

} // namespace artworkpixels
