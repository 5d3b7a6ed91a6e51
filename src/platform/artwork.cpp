#include "platform/artwork.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <utility>

namespace artwork {
namespace {

// The build renders every picture at one and two device pixels per logical pixel.
QString prerendered(const QString &resource, qreal devicePixelRatio)
{
    const int ratio = devicePixelRatio == 1.0 ? 1 : devicePixelRatio == 2.0 ? 2 : 0;
    if (ratio == 0)
        return QString();
    const QString path = resource.chopped(4) + QStringLiteral("@%1x.png").arg(ratio);
    return QFileInfo::exists(path) ? path : QString();
}

// Named as PNG, so that no other image reader is loaded to guess.
void readAsPng(QImageReader &reader)
{
    reader.setFormat("png");
    reader.setAutoDetectImageFormat(false);
}

} // namespace

QSize naturalSize(const QString &resource)
{
    if (const QString png = prerendered(resource, 1.0); !png.isEmpty()) {
        QImageReader reader(png);
        readAsPng(reader);
        return reader.size();
    }
    QSvgRenderer renderer(resource);
    return renderer.defaultSize();
}

QPixmap render(const QString &resource, qreal devicePixelRatio)
{
    if (const QString png = prerendered(resource, devicePixelRatio); !png.isEmpty()) {
        // In the formats the painter draws fastest, as a picture rendered here would be: the
        // doors repaint their pictures at every step. Converted in place and handed over, so
        // only one copy is held.
        QImageReader reader(png);
        readAsPng(reader);
        QImage image = reader.read();
        image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
        QPixmap pixmap = QPixmap::fromImage(std::move(image));
        pixmap.setDevicePixelRatio(devicePixelRatio);
        return pixmap;
    }
    QSvgRenderer renderer(resource);
    const QSize logical = renderer.defaultSize();
    const QSize device(static_cast<int>(std::ceil(logical.width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(logical.height() * devicePixelRatio)));
    QPixmap pixmap(device);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(device)));
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon icon(const QString &resource)
{
    QIcon result;
    result.addPixmap(render(resource, 1.0));
    result.addPixmap(render(resource, 2.0));
    return result;
}

} // namespace artwork
