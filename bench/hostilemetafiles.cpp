// Metafiles for the hostile-picture benchmark, and the pictures they carry.
#include "hostilefiles.h"
#include "support/metafilebuilder.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QRect>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace hostile {

using mfbytes::e;
using mfbytes::put16;
using mfbytes::put32;
using Records = QList<mfbytes::Record>;

const QRect kSign(0, 0, 52, 32);

// ---- Metafiles ------------------------------------------------------------------------------

// An EMF frame (hundredths of a millimetre) of the given size in 96-dpi pixels.
QRect frameOf(int width, int height)
{
    return QRect(0, 0, int(width * 2540.0 / 96), int(height * 2540.0 / 96));
}

// Five metres by three: past any screen, where a frame of its size would be drawn whole.
constexpr int kHugeWidth = 18'897;
constexpr int kHugeHeight = 11'338;

// A fixed sequence, so that every run draws the same picture.
class Lcg
{
public:
    int below(int n)
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return int((m_state >> 33) % uint64_t(n));
    }

private:
    uint64_t m_state = 0x5eed;
};

QByteArray bounds(int width, int height)
{
    return mfbytes::dwords({0, 0, width, height});
}

QByteArray points16(const std::vector<QPoint> &points)
{
    QByteArray out;
    out.reserve(qsizetype(points.size()) * 4 + 20);
    out.append(bounds(32767, 32767));
    put32(out, uint32_t(points.size()));
    for (const QPoint &p : points) {
        put16(out, uint16_t(p.x()));
        put16(out, uint16_t(p.y()));
    }
    return out;
}

std::vector<QPoint> scatter(int count, int width, int height)
{
    Lcg random;
    std::vector<QPoint> points;
    points.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        points.emplace_back(random.below(width), random.below(height));
    return points;
}

Records solidBrush(int index, uint32_t colour)
{
    return {e(emr::kCreateBrushIndirect, index, 0, colour, 0), e(emr::kSelectObject, index)};
}

QByteArray hugeRectangles(int count)
{
    Records emf = solidBrush(1, 0x0000C0FF);
    for (int i = 0; i < count; ++i)
        emf << e(emr::kRectangle, i * 7 % 500, i * 5 % 300, kHugeWidth - i * 3 % 400,
                 kHugeHeight - i % 200);
    return mfbytes::emfFile(frameOf(kHugeWidth, kHugeHeight), emf);
}

QByteArray hugeRectanglesWmf(int count)
{
    // 30000 x 18000 units at 200 to the inch: 3.8 by 2.3 metres.
    using mfbytes::w;
    Records wmf = {w(0x020B, 0, 0), w(0x020C, 18000, 30000), w(0x02FC, 0, 0xC0FF, 0x0000, 0),
                   w(0x012D, 0)};
    for (int i = 0; i < count; ++i)
        wmf << w(0x041B, 18000 - i % 200, 30000 - i * 3 % 400, i * 5 % 300, i * 7 % 500);
    return mfbytes::wmfFile(wmf, QRect(0, 0, 30000, 18000), 200);
}

QByteArray windowlessRectanglesWmf(int count)
{
    // No placeable header and no window: the size is what the rectangles cover.
    using mfbytes::w;
    Records wmf = {w(0x02FC, 0, 0xC0FF, 0x0000, 0), w(0x012D, 0)};
    for (int i = 0; i < count; ++i)
        wmf << w(0x041B, 3000 - i % 200, 5000 - i * 3 % 400, i * 5 % 300, i * 7 % 500);
    return mfbytes::wmfFile(wmf);
}

QByteArray hugePolygon(int count)
{
    // A zigzag from edge to edge: every row of the picture crosses it hundreds of times.
    std::vector<QPoint> points;
    for (int i = 0; i < count; ++i)
        points.emplace_back(i % 2 ? kHugeWidth - i % 97 : i % 89,
                            int(int64_t(i) * kHugeHeight / count));
    return mfbytes::emfFile(frameOf(kHugeWidth, kHugeHeight),
                            solidBrush(1, 0x00308030) << e(emr::kPolygon16, points16(points)));
}

QByteArray hugeDashedLines(int count)
{
    // A cosmetic dotted pen: one dash per two pixels of every line.
    Records emf = {e(emr::kExtCreatePen, 1, 0, 0, 0, 0, 2, 1, 0, 0x000000FF, 0, 0),
                   e(emr::kSelectObject, 1)};
    for (int i = 0; i < count; ++i) {
        const int y = int(int64_t(i) * kHugeHeight / count);
        emf << e(emr::kPolyline16, points16({QPoint(0, y), QPoint(kHugeWidth, kHugeHeight - y)}));
    }
    return mfbytes::emfFile(frameOf(kHugeWidth, kHugeHeight), emf);
}

QByteArray hugeGradients(int count)
{
    Records emf;
    for (int i = 0; i < count; ++i) {
        QByteArray params = bounds(kHugeWidth, kHugeHeight);
        params.append(mfbytes::dwords({2, 1, 0}));
        params.append(mfbytes::dwords({i, i}));
        params.append(mfbytes::words({0xFF00, 0, i * 1000, 0}));
        params.append(mfbytes::dwords({kHugeWidth - i, kHugeHeight - i}));
        params.append(mfbytes::words({0, 0xFF00, 0x8000, 0}));
        params.append(mfbytes::dwords({0, 1}));
        emf << e(emr::kGradientFill, params);
    }
    return mfbytes::emfFile(frameOf(kHugeWidth, kHugeHeight), emf);
}

// A bitmap record's fixed fields, then its header and bits; offsets count from the record's
// start, whose type and size come first.
QByteArray stretchDiBits(QRect dest, QSize source, const QByteArray &info, const QByteArray &bits,
                         uint32_t rop = 0x00CC0020)
{
    constexpr int kFixed = 8 + 72;
    QByteArray params = bounds(dest.right(), dest.bottom());
    params.append(mfbytes::dwords({dest.x(), dest.y(), 0, 0, source.width(), source.height()}));
    params.append(mfbytes::dwords({kFixed, info.size(), kFixed + info.size(), bits.size(), 0}));
    params.append(mfbytes::dwords({rop, dest.width(), dest.height()}));
    return params + info + bits;
}

// The header of a bitmap whose bits are a whole picture file of the named compression.
QByteArray embeddedInfo(QSize size, uint32_t compression, qsizetype bytes)
{
    QByteArray info = mfbytes::dwords({40, size.width(), size.height()});
    info.append(mfbytes::words({1, 0}));
    info.append(mfbytes::dwords({compression, bytes, 0, 0, 0, 0}));
    return info;
}

QByteArray hugeStretchedPixels(int count, uint32_t rop)
{
    Records emf;
    for (int i = 0; i < count; ++i) {
        const QByteArray packed = mfbytes::dib(1, 1, 32, {}, {uint32_t(0x00102030 * (i + 1))});
        emf << e(emr::kStretchDiBits,
                 stretchDiBits(QRect(0, 0, kHugeWidth - i, kHugeHeight - i), QSize(1, 1),
                               packed.first(40), packed.sliced(40), rop));
    }
    return mfbytes::emfFile(frameOf(kHugeWidth, kHugeHeight), emf);
}

QByteArray xorClipPaths(int paths, int segments)
{
    Records emf;
    Lcg random;
    for (int i = 0; i < paths; ++i) {
        std::vector<QPoint> points;
        for (int s = 0; s < segments; ++s)
            points.emplace_back(random.below(52), random.below(32));
        const int x = random.below(52), y = random.below(32);
        emf << e(emr::kBeginPath) << e(emr::kMoveToEx, x, y)
            << e(emr::kPolylineTo16, points16(points)) << e(emr::kCloseFigure) << e(emr::kEndPath)
            << e(emr::kSelectClipPath, emr::kRgnXor);
    }
    emf << solidBrush(1, 0x000000FF) << e(emr::kRectangle, 0, 0, 51, 31);
    return mfbytes::emfFile(frameOf(52, 32), emf);
}

QByteArray widenedPath(int segments)
{
    // A geometric pen eight units wide with round ends and joins: widening is its outline.
    Records emf = {e(emr::kExtCreatePen, 1, 0, 0, 0, 0, 0x00010000, 8, 0, 0x00FF0000, 0, 0),
                   e(emr::kSelectObject, 1)};
    emf << solidBrush(2, 0x0000FF00) << e(emr::kBeginPath) << e(emr::kMoveToEx, 0, 0)
        << e(emr::kPolylineTo16, points16(scatter(segments, 52, 32))) << e(emr::kEndPath)
        << e(emr::kWidenPath) << e(emr::kFillPath, bounds(52, 32));
    return mfbytes::emfFile(frameOf(52, 32), emf);
}

QByteArray signPolygon(int count)
{
    return mfbytes::emfFile(frameOf(52, 32),
                            solidBrush(1, 0x00FF8000)
                                << e(emr::kPolygon16, points16(scatter(count, 52, 32))));
}

QByteArray offsetStrips(int count)
{
    // Tall one-pixel strips, each a row lower and two columns right of the one before: their
    // union has a band at every row, each as wide as the strips it crosses.
    QByteArray region = mfbytes::dwords({32, 1, count, count * 16, 0, 0, 2 * count, 2 * count});
    for (int i = 0; i < count; ++i)
        region += mfbytes::dwords({2 * i, i, 2 * i + 1, i + count});
    QByteArray fill = bounds(2 * count, 2 * count);
    put32(fill, uint32_t(region.size()));
    put32(fill, 1);
    return mfbytes::emfFile(frameOf(52, 32), solidBrush(1, 0x00FF8000)
                                                 << e(emr::kFillRgn, fill + region));
}

QByteArray fontFlood(int count, FontChange change)
{
    Records records;
    for (int i = 0; i < count; ++i) {
        QString face = QStringLiteral("Arial");
        int height = -12;
        if (change == FontChange::Face)
            face = QStringLiteral("Face%1").arg(i);
        else if (change == FontChange::JapaneseFace)
            face = QString::fromUtf8("書体") + QString::number(i);
        else
            height = -(8 + i % 4000);
        QByteArray logFont = mfbytes::dwords({3, height, 0, 0, 0, 400, 0, 0});
        QByteArray name(64, '\0');
        std::memcpy(name.data(), face.utf16(), size_t(std::min<qsizetype>(face.size(), 31)) * 2);
        const QByteArray text = mfbytes::dwords({0, 0, 52, 32, 1}) + mfbytes::floats({1, 1}) +
                                mfbytes::dwords({i % 40, 20, 1, 76, 0, 0, 0, 52, 32, 80}) +
                                mfbytes::words({'A', 0}) + mfbytes::dwords({8});
        records << e(82, logFont + name) << e(emr::kSelectObject, 3) << e(84, text) << e(40, 3);
    }
    return mfbytes::emfFile(frameOf(52, 32), records);
}

QByteArray svgNaming(const QString &self, const QString &marker)
{
    return QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" "
               "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"100\" height=\"100\">"
               "<image xlink:href=\"%1\" width=\"100\" height=\"100\"/>"
               "<image xlink:href=\"%2\" width=\"100\" height=\"100\"/></svg>")
        .arg(self, marker)
        .toUtf8();
}

QByteArray embeddedInSign(uint32_t compression, QSize claimed, const QByteArray &payload)
{
    const QByteArray info = embeddedInfo(claimed, compression, payload.size());
    return mfbytes::emfFile(
        frameOf(52, 32),
        {e(emr::kStretchDiBits, stretchDiBits(QRect(0, 0, 52, 32), claimed, info, payload))});
}

QByteArray ico(const QByteArray &png)
{
    QByteArray out = mfbytes::words({0, 1, 1});
    // Width and height 0 stand for 256 and more: the PNG's own header has the real size.
    out.append(char(0)).append(char(0)).append(char(0)).append(char(0));
    out.append(mfbytes::words({1, 32}));
    out.append(mfbytes::dwords({png.size(), 22}));
    return out + png;
}

QByteArray bigPng(int side)
{
    QImage image(side, side, QImage::Format_Grayscale8);
    image.fill(200);
    return written(image, "PNG");
}

QByteArray patternBrushes(int count, const QByteArray &payload, QSize claimed)
{
    Records emf;
    const QByteArray info = embeddedInfo(claimed, emr::kBiPng, payload.size());
    constexpr int kFixed = 8 + 24;
    for (int i = 0; i < count; ++i) {
        QByteArray params =
            mfbytes::dwords({i + 1, 0, kFixed, info.size(), kFixed + info.size(), payload.size()});
        emf << e(emr::kCreateDibPatternBrushPt, params + info + payload);
    }
    for (int i = 0; i < count; ++i)
        emf << e(emr::kSelectObject, i + 1) << e(emr::kRectangle, i, i, 51 - i, 31 - i);
    return mfbytes::emfFile(frameOf(52, 32), emf);
}

} // namespace hostile
