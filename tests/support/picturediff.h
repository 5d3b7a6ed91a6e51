#pragma once

// How far a picture is from its reference, strictly: no blur, a pixel differs when one of its
// channels is off by more than 25 of 255, and the differing pixels are counted against the
// reference's ink (its pixels that are not white), or against 1 % of the area when it has
// less ink than that, so that a nearly empty picture does not magnify a few pixels. Both
// pictures are seen over white, as a sign shows them.

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace picturediff {

inline QImage overWhite(const QImage &image, QSize size)
{
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter(&out).drawImage(0, 0, image);
    return out;
}

inline double difference(const QImage &actualImage, const QImage &referenceImage)
{
    const QImage reference = overWhite(referenceImage, referenceImage.size());
    const QImage actual = overWhite(actualImage, reference.size());
    const auto differs = [](QRgb a, QRgb b) {
        return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                         std::abs(qBlue(a) - qBlue(b))}) > 25;
    };
    long differing = 0, ink = 0;
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            const QRgb r = reference.pixel(x, y);
            ink += (r & 0xFFFFFF) != 0xFFFFFF;
            differing += differs(actual.pixel(x, y), r);
        }
    }
    const double area = double(reference.width()) * reference.height();
    return differing / std::max(double(ink), area / 100);
}

} // namespace picturediff
