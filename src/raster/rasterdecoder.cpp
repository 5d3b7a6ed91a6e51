#include "raster/rasterdecoder.h"

#include <QBuffer>
#include <QImageReader>

namespace raster {

namespace {

struct AllocationLimit
{
    // The readers' own cap is process-wide and in whole MiB; ours is the one that decides,
    // theirs only stands behind it.
    AllocationLimit() { QImageReader::setAllocationLimit(int(kMaxHeldBytes >> 20)); }
};

// The rows top to bottom of an uncompressed BMP as a BMP of their own: its headers and palette
// with the height and sizes set to those rows, then the rows as the file keeps them. Empty when
// the device cannot give them.
QByteArray bmpRows(QIODevice &device, const Header &header, int top, int bottom)
{
    const Header::BmpRows &rows = *header.bmpRows;
    const int count = bottom - top + 1;
    const int64_t first = rows.topDown ? top : header.size.height() - 1 - bottom;
    if (!device.seek(0))
        return QByteArray();
    QByteArray out = device.read(rows.dataOffset);
    if (out.size() != rows.dataOffset || !device.seek(rows.dataOffset + first * rows.rowBytes))
        return QByteArray();
    out += device.read(count * rows.rowBytes);
    if (out.size() != rows.dataOffset + count * rows.rowBytes)
        return QByteArray();
    const auto put32 = [&out](qsizetype at, int64_t value) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = char(uint64_t(value) >> (8 * i));
    };
    put32(2, out.size());
    put32(22, rows.topDown ? -count : count);
    put32(34, count * rows.rowBytes);
    return out;
}

} // namespace

Result<Decoded> decode(QIODevice &device, const Header &header, const QRect &clip, int64_t maxWork)
{
    const QRect whole(QPoint(0, 0), header.size);
    const QRect part = clip.isNull() ? whole : clip & whole;
    // Only the rows shown are read and decoded, as a picture of their own.
    if (header.bmpRows && !part.isEmpty() && part.height() < header.size.height()) {
        QByteArray rows = bmpRows(device, header, part.top(), part.bottom());
        if (rows.isEmpty())
            return Error{QStringLiteral("BMP unreadable: %1").arg(device.errorString())};
        Header rowsHeader = header;
        rowsHeader.bmpRows.reset();
        rowsHeader.size.setHeight(part.height());
        rowsHeader.pixelBytes = header.pixelBytes / header.size.height() * part.height();
        rowsHeader.work = header.work / header.size.height() * part.height();
        QBuffer buffer(&rows);
        buffer.open(QIODevice::ReadOnly);
        return decode(buffer, rowsHeader, part.translated(0, -part.top()), maxWork);
    }
    static const AllocationLimit limit;
    const QString name = QString::fromLatin1(readerName(header.format)).toUpper();
    QImageReader reader(&device, readerName(header.format));
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);
    if (part.isEmpty())
        return Error{QStringLiteral("%1: nothing of it is shown").arg(name)};
    const bool clipped = part != whole && reader.supportsOption(QImageIOHandler::ClipRect);
    // A single-scan JPEG is decoded row by row down to the clip's last row only.
    int64_t work = header.work;
    if (clipped && header.scans == 1)
        work = work / header.size.height() * (part.bottom() + 1);
    if (work > maxWork)
        return Error{QStringLiteral("%1 of %2 x %3 pixels in %4 scans is more work than a "
                                    "picture may take")
                         .arg(name)
                         .arg(header.size.width())
                         .arg(header.size.height())
                         .arg(header.scans)};
    int64_t pixels = header.pixelBytes;
    if (clipped) {
        reader.setClipRect(part);
        pixels = pixels / (int64_t(header.size.width()) * header.size.height()) * part.width() *
                 part.height();
    }
    auto reservation = reserve(pixels + header.workingBytes);
    if (!reservation)
        return Error{QStringLiteral("%1 of %2 x %3 pixels: %4")
                         .arg(name)
                         .arg(header.size.width())
                         .arg(header.size.height())
                         .arg(reservation.error().message)};
    Decoded decoded{QImage(), std::move(reservation).value()};
    if (!reader.read(&decoded.image) || decoded.image.isNull())
        return Error{QStringLiteral("%1 unreadable: %2").arg(name, reader.errorString())};
    if (!clipped && part != whole)
        decoded.image = decoded.image.copy(part);
    decoded.image.setDevicePixelRatio(1.0);
    decoded.reservation.shrinkTo(decoded.image.sizeInBytes());
    return decoded;
}

namespace {

// A PNG with its critical chunks and transparency only: text, profiles and the other
// ancillary chunks change nothing that is shown, and compressed ones could take any time.
QByteArray pixelChunks(QByteArrayView png)
{
    QByteArray kept = png.first(std::min<qsizetype>(8, png.size())).toByteArray();
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const auto *p = reinterpret_cast<const uchar *>(png.data()) + at;
        const int64_t length = int64_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        if (length > png.size() - at - 12)
            break;
        const QByteArrayView type = png.sliced(at + 4, 4);
        const bool critical = (type[0] & 0x20) == 0;
        if (critical || type == "tRNS")
            kept += png.sliced(at, 12 + length);
        if (type == "IEND")
            break;
        at += 12 + length;
    }
    return kept;
}

} // namespace

QByteArray pixelMarkers(QByteArrayView jpeg)
{
    const auto *p = reinterpret_cast<const uchar *>(jpeg.data());
    const qsizetype size = jpeg.size();
    if (size < 4 || p[0] != 0xFF || p[1] != 0xD8)
        return jpeg.toByteArray();
    QByteArray kept = jpeg.first(2).toByteArray();
    qsizetype at = 2;
    while (at + 1 < size) {
        if (p[at] != 0xFF)
            return jpeg.toByteArray();
        qsizetype start = at;
        while (at < size && p[at] == 0xFF) // fill bytes
            ++at;
        if (at >= size)
            break;
        const uchar marker = p[at++];
        if (marker == 0xD9) {
            kept += jpeg.sliced(start, at - start);
            return kept;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            kept += jpeg.sliced(start, at - start);
            continue;
        }
        if (at + 2 > size)
            return jpeg.toByteArray();
        const qsizetype end = at + (p[at] << 8 | p[at + 1]);
        if (end > size || end < at + 2)
            return jpeg.toByteArray();
        at = end;
        const bool unneeded =
            marker == 0xFE || (marker >= 0xE1 && marker <= 0xEF && marker != 0xEE);
        if (!unneeded)
            kept += jpeg.sliced(start, at - start);
        if (marker == 0xDA) {
            // Entropy-coded data up to the next marker that is neither a stuffed zero nor a
            // restart.
            const qsizetype data = at;
            while (at + 1 < size &&
                   !(p[at] == 0xFF && p[at + 1] != 0 && (p[at + 1] < 0xD0 || p[at + 1] > 0xD7)))
                ++at;
            if (at + 1 >= size)
                at = size;
            kept += jpeg.sliced(data, at - data);
        }
    }
    kept += jpeg.sliced(at);
    return kept;
}

QByteArray firstGifImage(QByteArrayView gif)
{
    const auto *p = reinterpret_cast<const uchar *>(gif.data());
    const qsizetype size = gif.size();
    qsizetype at = 13;
    if (size < at)
        return gif.toByteArray();
    if (p[10] & 0x80)
        at += 3 * (2 << (p[10] & 7));
    // Past a run of sub-blocks, or -1 when the bytes end first.
    const auto pastBlocks = [&](qsizetype from) -> qsizetype {
        while (from < size && p[from] != 0)
            from += 1 + p[from];
        return from < size ? from + 1 : -1;
    };
    QByteArray kept = gif.first(std::min(at, size)).toByteArray();
    while (at < size) {
        if (p[at] == 0x21 && at + 1 < size) {
            const qsizetype end = pastBlocks(at + 2);
            if (end < 0)
                break;
            if (p[at + 1] == 0xF9) // graphic control: the transparent colour
                kept += gif.sliced(at, end - at);
            at = end;
        } else if (p[at] == 0x2C && at + 10 <= size) {
            qsizetype data = at + 10;
            if (p[at + 9] & 0x80)
                data += 3 * (2 << (p[at + 9] & 7));
            const qsizetype end = data < size ? pastBlocks(data + 1) : -1;
            if (end < 0)
                break;
            return kept.append(gif.sliced(at, end - at)).append(char(0x3B));
        } else {
            break;
        }
    }
    return gif.toByteArray();
}

std::optional<QByteArray> neededBytes(Format format, QByteArrayView bytes)
{
    switch (format) {
    case Format::Png:
        return pixelChunks(bytes);
    case Format::Jpeg:
        return pixelMarkers(bytes);
    case Format::Gif:
        return firstGifImage(bytes);
    case Format::Bmp:
        break;
    }
    return std::nullopt;
}

Result<Decoded> decode(QByteArrayView bytes, Format format)
{
    const auto header = readHeader(format, bytes, bytes.size());
    if (!header)
        return header.error();
    std::optional<QByteArray> needed = neededBytes(format, bytes);
    QByteArray copy = needed ? std::move(*needed) : bytes.toByteArray();
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return decode(buffer, header.value());
}

} // namespace raster
