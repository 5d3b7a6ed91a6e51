// The blit records: a bitmap, or the brush alone, combined with what is drawn by an operation.
#include "metafile/wmf/fields.h"
#include "metafile/wmf/handlers.h"
#include "metafile/wmf/records.h"

namespace metafile::wmf {

namespace {

// Records of the bitmap family without a bitmap are one word longer than their function's
// high byte says and carry a reserved word; they combine the brush with the destination. A
// record and its DIB twin share the high byte.
bool withoutBitmap(uint16_t function, const ByteReader &p)
{
    return p.size() == qsizetype(function >> 8) * 2;
}

// The destination rectangle, stored as height, width, then its corner y before x.
QRectF readDest(ByteReader &p)
{
    const double h = p.i16(), w = p.i16();
    return QRectF(readYX(p), QSizeF(w, h));
}

} // namespace

Result<QImage> Player::packedDib(ByteReader &p, uint16_t usage)
{
    const auto dib = decodePackedDib(p.rest(), usage == 1 ? DibColors::Palette : DibColors::Rgb,
                                     m_c.dc().palette, m_c.budget());
    if (!dib)
        return dib.error();
    return dib->image;
}

Status Player::patBlt(ByteReader &p)
{
    Blit b;
    b.rop = p.u32();
    b.dest = readDest(p);
    m_c.blit(b);
    return complete(p);
}

Status Player::blitBitmap(ByteReader &p, bool dib, Blit &b)
{
    const Result<QImage> image = dib ? packedDib(p, 0) : readBitmap16(p, m_c.budget());
    if (image)
        b.image = *image;
    return complete(p, image);
}

Status Player::bitBlt(ByteReader &p, bool dib)
{
    const bool noBitmap = withoutBitmap(fn::kBitBlt, p);
    Blit b;
    b.rop = p.u32();
    const QPointF src = readYX(p);
    if (noBitmap)
        p.skip(2);
    b.dest = readDest(p);
    b.source = QRectF(src, b.dest.size());
    const Status read = noBitmap ? complete(p) : blitBitmap(p, dib, b);
    m_c.blit(b);
    return read;
}

Status Player::stretchBlt(ByteReader &p, bool dib)
{
    const bool noBitmap = withoutBitmap(fn::kStretchBlt, p);
    Blit b;
    b.rop = p.u32();
    const double sh = p.i16(), sw = p.i16();
    const QPointF src = readYX(p);
    if (noBitmap)
        p.skip(2);
    b.dest = readDest(p);
    b.source = QRectF(src, QSizeF(sw, sh));
    const Status read = noBitmap ? complete(p) : blitBitmap(p, dib, b);
    m_c.blit(b);
    return read;
}

Status Player::stretchDib(ByteReader &p)
{
    Blit b;
    b.rop = p.u32();
    const uint16_t usage = p.u16();
    const double sh = p.i16(), sw = p.i16();
    const QPointF src = readYX(p);
    b.dest = readDest(p);
    const Result<QImage> image = packedDib(p, usage);
    if (image)
        b.image = *image;
    // The source's y counts from the bottom row of the bitmap.
    const double top = b.image ? b.image->height() - src.y() - sh : src.y();
    b.source = QRectF(QPointF(src.x(), top), QSizeF(sw, sh));
    m_c.blit(b);
    return complete(p, image);
}

Status Player::setDibToDev(ByteReader &p)
{
    Blit b;
    const uint16_t usage = p.u16();
    p.skip(4);
    const QPointF src = readYX(p);
    b.dest = readDest(p);
    const Result<QImage> image = packedDib(p, usage);
    if (image)
        b.image = *image;
    const double h = b.dest.height();
    const double top = b.image ? b.image->height() - src.y() - h : src.y();
    b.source = QRectF(QPointF(src.x(), top), b.dest.size());
    m_c.blit(b);
    return complete(p, image);
}

} // namespace metafile::wmf
