#include "platform/pictureloader.h"

#include "platform/filelist.h"
#include "platform/twips.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace picturelimits;

constexpr qint64 kBytesPerPixel = 4;
constexpr qint64 kReadChunk = 64 * 1024;

struct RasterFormat
{
    const char *readerName;
    QByteArrayView magic;
};

// Signatures from the formats' own documents: BITMAPFILEHEADER's "BM", the GIF 87a and 89a
// headers, and JPEG's SOI marker followed by the first marker's 0xFF.
const RasterFormat kRasterFormats[] = {
    {"bmp", "BM"},
    {"gif", "GIF87a"},
    {"gif", "GIF89a"},
    {"jpeg", "\xFF\xD8\xFF"},
};

[[noreturn]] void fail(const QString &reason)
{
    throw PictureLoadError(reason.toStdString());
}

const RasterFormat *sniffRaster(QIODevice &device)
{
    const QByteArray head = device.peek(8);
    for (const RasterFormat &format : kRasterFormats) {
        if (head.startsWith(format.magic))
            return &format;
    }
    return nullptr;
}

QImage decodeRaster(QIODevice &device, const RasterFormat &format, qint64 maxDecodedBytes)
{
    const QString name = QString::fromLatin1(format.readerName).toUpper();
    QImageReader reader(&device, format.readerName);
    // Only the reader the signature names may decode the bytes, never one guessed from them.
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);
    // A top-down bitmap reports its height negative, as its header holds it.
    const QSize header = reader.size();
    const qint64 width = header.width();
    const qint64 height = std::abs(qint64(header.height()));
    if (width <= 0 || height == 0)
        fail(QStringLiteral("%1 header unreadable: %2").arg(name, reader.errorString()));
    if (width > maxDecodedBytes / kBytesPerPixel / height) {
        fail(QStringLiteral("%1 of %2 x %3 pixels would take more than %4 bytes")
                 .arg(name)
                 .arg(width)
                 .arg(height)
                 .arg(maxDecodedBytes));
    }
    // The readers' own cap is process-wide and in whole MiB; keep it just above ours so the
    // check above is the one that decides.
    QImageReader::setAllocationLimit(int(maxDecodedBytes >> 20) + 1);
    QImage image;
    // The bitmap reader leaves the rows a cut file lacks as it found the memory; handing it a
    // cleared image of the size and format it decodes to makes them black instead.
    if (qstrcmp(format.readerName, "bmp") == 0) {
        image = QImage(int(width), int(height), reader.imageFormat());
        image.fill(0);
    }
    if (!reader.read(&image) || image.isNull())
        fail(QStringLiteral("%1 unreadable: %2").arg(name, reader.errorString()));
    if (image.sizeInBytes() > maxDecodedBytes)
        fail(QStringLiteral("%1 decoded to more than %2 bytes").arg(name).arg(maxDecodedBytes));
    image.setDevicePixelRatio(1.0);
    return image;
}

// Metafiles are parsed from memory; the read stops one byte past the cap so a larger file is
// refused without reading it all.
QByteArray readAtMost(QIODevice &device, qint64 limit)
{
    QByteArray data;
    while (data.size() <= limit) {
        const QByteArray chunk = device.read(std::min(kReadChunk, limit + 1 - data.size()));
        if (chunk.isEmpty())
            break;
        data += chunk;
    }
    return data;
}

#ifdef Q_OS_UNIX
// Only a regular file is opened: a FIFO or a device would block or never end. The type is
// checked before opening and again on the open file, which cannot change under us.
void openRegularFile(const QString &path, QFile &file)
{
    const QByteArray native = FileList::encodeName(path);
    struct stat info;
    if (::stat(native.constData(), &info) != 0)
        fail(qt_error_string(errno));
    if (!S_ISREG(info.st_mode))
        fail(QStringLiteral("not a regular file"));
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        fail(qt_error_string(errno));
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        fail(QStringLiteral("not a regular file"));
    }
    if (info.st_size > kMaxFileBytes) {
        ::close(fd);
        fail(QStringLiteral("%1 bytes is more than the %2 a picture file may have")
                 .arg(qint64(info.st_size))
                 .arg(kMaxFileBytes));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        fail(file.errorString());
    }
}
#else
void openRegularFile(const QString &path, QFile &file)
{
    const QFileInfo info(path);
    if (!info.exists())
        fail(QStringLiteral("no such file"));
    if (!info.isFile())
        fail(QStringLiteral("not a regular file"));
    if (info.size() > kMaxFileBytes)
        fail(QStringLiteral("%1 bytes is more than the %2 a picture file may have")
                 .arg(info.size())
                 .arg(kMaxFileBytes));
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(file.errorString());
}
#endif

} // namespace

Picture::Picture(QImage bitmap)
{
    if (!bitmap.isNull())
        m_content = std::move(bitmap);
}

Picture::Picture(metafile::Metafile drawing) : m_content(std::move(drawing)) {}

QImage Picture::bitmap() const
{
    if (const auto *image = std::get_if<QImage>(&m_content))
        return *image;
    return {};
}

QSize Picture::naturalSize() const
{
    if (const auto *image = std::get_if<QImage>(&m_content))
        return image->size();
    if (const auto *drawing = std::get_if<metafile::Metafile>(&m_content))
        return drawing->naturalSize();
    return {};
}

QSizeF Picture::naturalSizeTwips() const
{
    const QSize size = naturalSize();
    return QSizeF(twips::fromPixels(size.width()), twips::fromPixels(size.height()));
}

void Picture::draw(QPainter &painter, QPointF topLeft) const
{
    if (const auto *image = std::get_if<QImage>(&m_content))
        painter.drawImage(topLeft, *image);
    else if (const auto *drawing = std::get_if<metafile::Metafile>(&m_content))
        drawing->play(painter, QRectF(topLeft, QSizeF(drawing->naturalSize())));
}

QPixmap Picture::toPixmap(qreal devicePixelRatio) const
{
    if (const auto *image = std::get_if<QImage>(&m_content))
        return QPixmap::fromImage(*image);
    const auto *drawing = std::get_if<metafile::Metafile>(&m_content);
    if (!drawing || drawing->naturalSize().isEmpty())
        return {};
    const QSize natural = drawing->naturalSize();
    // A dense screen must not make the rendering pass the memory cap: past it the drawing is
    // rendered coarser, still shown at its natural size. Rounding may still tip it over, so a
    // refused rendering is tried again smaller.
    const double area = double(natural.width()) * natural.height() * kBytesPerPixel;
    const double fitting = std::sqrt(double(kMaxDecodedBytes) / area);
    qreal ratio = std::min(devicePixelRatio > 0 ? devicePixelRatio : 1.0, fitting);
    QImage image = drawing->toImage(natural, ratio);
    for (int attempt = 0; image.isNull() && attempt < 4; ++attempt) {
        ratio *= 0.5;
        image = drawing->toImage(natural, ratio);
    }
    return QPixmap::fromImage(std::move(image));
}

Picture decodePicture(QIODevice &device, qint64 maxDecodedBytes)
{
    if (const RasterFormat *format = sniffRaster(device))
        return Picture(decodeRaster(device, *format, maxDecodedBytes));
    const QByteArray data = readAtMost(device, kMaxMetafileBytes);
    if (data.size() > kMaxMetafileBytes)
        fail(QStringLiteral("more than %1 bytes and not a bitmap").arg(kMaxMetafileBytes));
    if (auto drawing = metafile::Metafile::fromData(data))
        return Picture(std::move(*drawing));
    fail(QStringLiteral("not a picture of a known format"));
}

Picture Load(const QString &path)
{
    if (path.isEmpty())
        return {};
    try {
        QFile file;
        openRegularFile(path, file);
        return decodePicture(file);
    } catch (const PictureLoadError &error) {
        throw PictureLoadError(QStringLiteral("Cannot load picture %1: %2")
                                   .arg(path, QString::fromStdString(error.what()))
                                   .toStdString());
    }
}
