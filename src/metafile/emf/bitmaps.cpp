// The blit records, which combine a bitmap (or the brush alone) with what is drawn, and the DIB
// records, which draw a bitmap; the bitmap lies in the record, found by offsets.
#include "metafile/emf/handlers.h"

namespace metafile::emf {

namespace {

constexpr uint32_t kSrcCopy = 0x00CC0020;

// The fields the blit records share: destination, operation, the source's origin (and its
// size, where the record stretches) and where the bitmap lies. The source's transform and
// background colour are not used.
struct BlitFields
{
    QRectF dest;
    QRectF source;
    uint32_t op = 0;
    DibPlace at;
};

BlitFields readBlit(ByteReader &p, bool stretch)
{
    p.skip(16);
    BlitFields f;
    const QPointF dest = readPointl(p);
    const double cxDest = p.i32(), cyDest = p.i32();
    f.op = p.u32();
    const QPointF src = readPointl(p);
    p.skip(24 + 4);
    f.at = readDibPlace(p, true);
    double cxSrc = cxDest, cySrc = cyDest;
    if (stretch) {
        cxSrc = p.i32();
        cySrc = p.i32();
    }
    f.dest = QRectF(dest, QSizeF(cxDest, cyDest));
    f.source = QRectF(src, QSizeF(cxSrc, cySrc));
    return f;
}

// A record without a bitmap lacks nothing: it combines the brush with what is drawn.
Status bitmapRead(const ByteReader &p, const DibPlace &at, const Result<Dib> &d)
{
    return at.cbBmi == 0 ? complete(p) : complete(p, d);
}

} // namespace

Result<Dib> Player::dib(const ByteReader &p, const DibPlace &at, bool keepAlpha)
{
    if (at.cbBmi == 0)
        return skip("no bitmap");
    ByteReader whole(p.bytes());
    const QByteArrayView info = whole.at(at.offBmi, at.cbBmi);
    const QByteArrayView bits = whole.at(at.offBits, at.cbBits);
    if (!whole.ok())
        return skip("bitmap past the record");
    return decodeDib(info, bits, at.usage == 1 ? DibColors::Palette : DibColors::Rgb,
                     m_c.dc().palette, m_c.budget(), keepAlpha);
}

Status Player::bitBlt(ByteReader &p, bool stretch)
{
    const BlitFields f = readBlit(p, stretch);
    if (!p.ok())
        return complete(p);
    const auto d = dib(p, f.at);
    Blit b{f.dest, f.source, f.op, std::nullopt};
    if (d)
        b.image = d->image;
    m_c.blit(b);
    return bitmapRead(p, f.at, d);
}

// The mask is not applied: the source is drawn as a plain copy.
Status Player::maskBlt(ByteReader &p)
{
    const BlitFields f = readBlit(p, false);
    if (!p.ok())
        return complete(p);
    const auto d = dib(p, f.at);
    Blit b{f.dest, f.source, d ? kSrcCopy : f.op, std::nullopt};
    if (d)
        b.image = d->image;
    m_c.blit(b);
    return bitmapRead(p, f.at, d);
}

// The operation field holds the colour that stays transparent.
Status Player::transparentBlt(ByteReader &p)
{
    const BlitFields f = readBlit(p, true);
    if (!p.ok())
        return complete(p);
    const auto d = dib(p, f.at);
    Blit b{f.dest, f.source, kSrcCopy, std::nullopt};
    if (d) {
        const QRgb clear =
            qRgb(int(f.op & 0xFF), int((f.op >> 8) & 0xFF), int((f.op >> 16) & 0xFF));
        QImage keyed = d->image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < keyed.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(keyed.scanLine(y));
            for (int x = 0; x < keyed.width(); ++x)
                if ((line[x] | 0xFF000000) == clear)
                    line[x] = 0;
        }
        b.image = keyed;
    }
    m_c.blit(b);
    return bitmapRead(p, f.at, d);
}

// The operation holds the constant alpha and whether the source has alpha of its own.
Status Player::alphaBlend(ByteReader &p)
{
    const BlitFields f = readBlit(p, true);
    if (!p.ok())
        return complete(p);
    const bool sourceAlpha = (f.op >> 24) & 1;
    const auto d = dib(p, f.at, sourceAlpha);
    if (d)
        m_c.alphaBlend(f.dest, d->image, f.source, int((f.op >> 16) & 0xFF));
    return complete(p, d);
}

Status Player::stretchDiBits(ByteReader &p)
{
    p.skip(16);
    const QPointF dest = readPointl(p), src = readPointl(p);
    const double cxSrc = p.i32(), cySrc = p.i32();
    const DibPlace at = readDibPlace(p, false);
    Blit b;
    b.rop = p.u32();
    const double cxDest = p.i32(), cyDest = p.i32();
    if (!p.ok())
        return complete(p);
    b.dest = QRectF(dest, QSizeF(cxDest, cyDest));
    return blitDib(p, b, src, QSizeF(cxSrc, cySrc), at);
}

Status Player::setDiBitsToDevice(ByteReader &p)
{
    p.skip(16);
    const QPointF dest = readPointl(p), src = readPointl(p);
    const double cxSrc = p.i32(), cySrc = p.i32();
    const DibPlace at = readDibPlace(p, false);
    if (!p.ok())
        return complete(p);
    Blit b;
    b.dest = QRectF(dest, QSizeF(cxSrc, cySrc));
    return blitDib(p, b, src, QSizeF(cxSrc, cySrc), at);
}

// Draws the record's DIB into b's destination from the source at src of size.
Status Player::blitDib(const ByteReader &p, Blit b, QPointF src, QSizeF size, const DibPlace &at)
{
    const auto d = dib(p, at);
    if (d) {
        b.image = d->image;
        // Source rows count from the bottom of a bottom-up bitmap.
        const double top = d->bottomUp ? d->image.height() - src.y() - size.height() : src.y();
        b.source = QRectF(QPointF(src.x(), top), size);
    }
    m_c.blit(b);
    return bitmapRead(p, at, d);
}

} // namespace metafile::emf
