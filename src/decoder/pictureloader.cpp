#include "decoder/pictureloader.h"

#include "base/twips.h"
#include "platform/filelist.h"
#include "raster/rasterdecoder.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace picturelimits;

constexpr qint64 kReadChunk = 1024 * 1024;
// Enough for any BMP header: the file header, the largest info header and its masks.
constexpr qint64 kBmpHeadBytes = 14 + 124 + 16;

// Reads at most limit bytes, stopping one byte past it so a larger stream is seen as such.
QByteArray readAtMost(QIODevice &device, qint64 limit)
{
    // Straight into one buffer of the size the file says it has: a large file is neither copied
    // chunk by chunk nor moved as the buffer grows. A file that grows meanwhile still stops at
    // the limit.
    QByteArray data;
    data.reserve(std::min(std::max<qint64>(device.size() - device.pos(), 0), limit) + 1);
    while (data.size() <= limit) {
        const qsizetype at = data.size();
        const qint64 want = std::min(kReadChunk, limit + 1 - at);
        data.resize(at + want);
        const qint64 got = device.read(data.data() + at, want);
        data.resize(at + std::max<qint64>(got, 0));
        if (got <= 0)
            break;
    }
    return data;
}

QString tooLarge(qint64 size, qint64 limit)
{
    return QStringLiteral("%1 bytes is more than the %2 a picture file may have")
        .arg(size)
        .arg(limit);
}

struct RasterFile
{
    raster::Header header;
    // The whole file where it was read whole, with its share of the memory cap.
    QByteArray bytes;
    raster::Reservation held;
    // The bytes hold only what the format's reader needs, and it reads them, not the file.
    bool readFromBytes = false;
};

// The header of a raster picture, read from as few bytes as it needs; the device is back at
// its start afterwards.
Result<RasterFile> rasterHeader(QIODevice &device, raster::Format format)
{
    const qint64 size = device.size();
    if (size > kMaxFileBytes)
        return Error{tooLarge(size, kMaxFileBytes)};
    if (format == raster::Format::Bmp) {
        auto head = raster::readHeader(format, device.peek(kBmpHeadBytes), size);
        if (!head)
            return head.error();
        if (!head->needsWholeFile)
            return RasterFile{head.value(), {}, {}};
    }
    auto reservation = raster::reserve(size);
    if (!reservation)
        return reservation.error();
    RasterFile file{{}, readAtMost(device, kMaxFileBytes), std::move(reservation).value()};
    if (!device.seek(0))
        return Error{device.errorString()};
    auto header = raster::readHeader(format, file.bytes, file.bytes.size());
    if (!header)
        return header.error();
    file.header = header.value();
    if (std::optional<QByteArray> needed = raster::neededBytes(format, file.bytes)) {
        file.bytes = std::move(*needed);
        file.readFromBytes = true;
    }
    return file;
}

Result<raster::Decoded> decodeFrom(const QByteArray &bytes, const raster::Header &header,
                                   const QRect &part)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return raster::decode(buffer, header, part);
}

} // namespace

#ifdef Q_OS_UNIX
// Only a regular file is opened: a FIFO or a device would block or never end. The type is
// checked before opening and again on the open file, which cannot change under us.
Result<bool> openPictureFile(const QString &path, QFile &file)
{
    const QByteArray native = FileList::encodeName(path);
    struct stat info;
    if (::stat(native.constData(), &info) != 0)
        return Error{qt_error_string(errno)};
    if (!S_ISREG(info.st_mode))
        return Error{QStringLiteral("not a regular file")};
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return Error{qt_error_string(errno)};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Error{QStringLiteral("not a regular file")};
    }
    if (info.st_size > kMaxFileBytes) {
        ::close(fd);
        return Error{tooLarge(info.st_size, kMaxFileBytes)};
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Error{file.errorString()};
    }
    return true;
}
#else
Result<bool> openPictureFile(const QString &path, QFile &file)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Error{QStringLiteral("no such file")};
    if (!info.isFile())
        return Error{QStringLiteral("not a regular file")};
    if (info.size() > kMaxFileBytes)
        return Error{tooLarge(info.size(), kMaxFileBytes)};
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{file.errorString()};
    return true;
}
#endif

Picture::Picture(QImage bitmap)
{
    if (!bitmap.isNull())
        m_content = Bitmap{bitmap, QPoint(0, 0), bitmap.size(), {}, {}};
}

Picture::Picture(metafile::Metafile drawing) : m_content(std::move(drawing)) {}

QImage Picture::bitmap() const
{
    if (const auto *bitmap = std::get_if<Bitmap>(&m_content))
        return bitmap->source.isEmpty() ? bitmap->pixels
                                        : render(QRect(QPoint(0, 0), bitmap->natural), 1.0);
    return {};
}

QSize Picture::naturalSize() const
{
    if (const auto *bitmap = std::get_if<Bitmap>(&m_content))
        return bitmap->natural;
    if (const auto *drawing = std::get_if<metafile::Metafile>(&m_content))
        return drawing->naturalSize();
    return {};
}

QSizeF Picture::naturalSizeTwips() const
{
    const QSize size = naturalSize();
    return QSizeF(twips::fromPixels(size.width()), twips::fromPixels(size.height()));
}

QImage Picture::render(const QRect &part, qreal devicePixelRatio) const
{
    const QRect whole(QPoint(0, 0), naturalSize());
    const QRect shown = part & whole;
    if (shown.isEmpty())
        return {};
    if (const auto *bitmap = std::get_if<Bitmap>(&m_content)) {
        if (bitmap->source.isEmpty())
            return bitmap->pixels.copy(shown.translated(-bitmap->origin));
        const auto decoded = decodeFrom(bitmap->source, bitmap->header, shown);
        return decoded ? decoded->image : QImage();
    }
    if (const auto *drawing = std::get_if<metafile::Metafile>(&m_content))
        return drawing->render(shown, devicePixelRatio > 0 ? devicePixelRatio : 1.0);
    return {};
}

Result<Picture> decodePicture(QIODevice &device, const QRect &shown)
{
    Picture picture;
    if (const auto format = raster::sniffFile(device.peek(8))) {
        auto file = rasterHeader(device, *format);
        if (!file)
            return file.error();
        const raster::Header header = file->header;
        const QRect whole(QPoint(0, 0), header.size);
        // A progressive one is decoded whole whatever part is asked for: once is enough.
        if (*format == raster::Format::Jpeg && header.scans == 1 && shown.isNull()) {
            // Its first pixel tells that the reader takes it; the rest waits to be shown.
            const auto first = decodeFrom(file->bytes, header, QRect(0, 0, 1, 1));
            if (!first)
                return first.error();
            RasterFile kept = std::move(file).value();
            picture.m_content =
                Picture::Bitmap{QImage(), QPoint(0, 0), header.size, kept.bytes, header};
            picture.m_held = std::make_shared<const raster::Reservation>(std::move(kept.held));
            return picture;
        }
        // A JPEG or a GIF is read from its bytes, cut to what its reader needs; the bytes of any
        // other file are let go before the pixels are made.
        RasterFile read = std::move(file).value();
        QBuffer kept;
        if (read.readFromBytes) {
            kept.setData(read.bytes);
            kept.open(QIODevice::ReadOnly);
        } else {
            read = RasterFile{};
        }
        auto decoded =
            raster::decode(kept.isOpen() ? static_cast<QIODevice &>(kept) : device, header, shown,
                           shown.isNull() ? raster::kMaxDecodeWork : raster::kMaxPartDecodeWork);
        if (!decoded)
            return decoded.error();
        const QRect part = shown.isNull() ? whole : shown & whole;
        picture.m_content = Picture::Bitmap{decoded->image, part.topLeft(), header.size, {}, {}};
        picture.m_held =
            std::make_shared<const raster::Reservation>(std::move(decoded).value().reservation);
        return picture;
    }
    auto reservation = raster::reserve(std::min(device.size(), kMaxMetafileBytes + 1));
    if (!reservation)
        return reservation.error();
    const QByteArray data = readAtMost(device, kMaxMetafileBytes);
    if (data.size() > kMaxMetafileBytes)
        return Error{QStringLiteral("more than %1 bytes and not a bitmap").arg(kMaxMetafileBytes)};
    auto drawing = metafile::Metafile::fromData(data);
    if (!drawing)
        return Error{
            QStringLiteral("not a picture of a known format (%1)").arg(drawing.error().message),
            drawing.error().offset};
    picture.m_content = std::move(drawing).value();
    picture.m_held = std::make_shared<const raster::Reservation>(std::move(reservation).value());
    return picture;
}

Error cannotLoad(const QString &path, const Error &why)
{
    return Error{QStringLiteral("Cannot load picture %1: %2").arg(path, why.message), why.offset};
}

Result<Picture> Load(const QString &path, const QRect &shown)
{
    if (path.isEmpty())
        return Picture();
    QFile file;
    auto loaded = openPictureFile(path, file);
    auto picture = loaded ? decodePicture(file, shown) : Result<Picture>(loaded.error());
    if (!picture)
        return cannotLoad(path, picture.error());
    return picture;
}
