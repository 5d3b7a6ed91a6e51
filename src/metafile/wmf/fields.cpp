#include "metafile/wmf/fields.h"

#include "metafile/drawing/skip.h"

namespace metafile::wmf {

ColorRef readColor(ByteReader &p)
{
    return {p.u32()};
}

QPointF readYX(ByteReader &p)
{
    const double y = p.i16();
    return QPointF(p.i16(), y);
}

QRectF readBox(ByteReader &p)
{
    const double bottom = p.i16(), right = p.i16(), top = p.i16(), left = p.i16();
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPolygonF readPoints(ByteReader &p, qsizetype count)
{
    QPolygonF points;
    if (count < 0 || count * 4 > p.remaining())
        return points;
    points.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const double x = p.i16();
        points.append(QPointF(x, p.i16()));
    }
    return points;
}

Result<QImage> readBitmap16(ByteReader &p, PixelBudget &budget)
{
    p.skip(2);
    const int width = p.i16(), height = p.i16(), widthBytes = p.i16();
    p.skip(1);
    const int bitsPixel = p.u8();
    if (!p.ok())
        return skip("cut short");
    if (width <= 0 || height <= 0 || widthBytes <= 0 || (bitsPixel != 1 && bitsPixel != 24) ||
        int64_t(widthBytes) * 8 < int64_t(width) * bitsPixel)
        return skip("bad bitmap header");
    if (int64_t(widthBytes) * height > p.remaining())
        return skip("bitmap past the record");
    if (!budget.take(int64_t(width) * height))
        return skip("bitmaps past the playback's pixel budget");
    QImage image(width, height, QImage::Format_RGB32);
    const QByteArrayView bits = p.rest();
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const uint8_t *>(bits.data()) + int64_t(y) * widthBytes;
        auto *out = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            out[x] = bitsPixel == 1
                         ? ((row[x / 8] >> (7 - x % 8)) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0))
                         : qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
        }
    }
    return image;
}

} // namespace metafile::wmf
