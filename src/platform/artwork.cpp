#include "platform/artwork.h"
#include "platform/artworkpixels.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace artwork {
namespace {

// The build renders every picture at one and two device pixels per logical pixel.
QString prerendered(const QString &resource, qreal devicePixelRatio)
{
    const int ratio = devicePixelRatio == 1.0 ? 1 : devicePixelRatio == 2.0 ? 2 : 0;
    if (ratio == 0)
        return QString();
    const QString path = resource.chopped(4) + QStringLiteral("@%1x.pixels").arg(ratio);
    return QFileInfo::exists(path) ? path : QString();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QSize naturalSize(const QString &resource)
{
    if (const QString pixels = prerendered(resource, 1.0); !pixels.isEmpty())
        return artworkpixels::header(contents(pixels)).size;
    QSvgRenderer renderer(resource);
    return renderer.defaultSize();
}

QPixmap render(const QString &resource, qreal devicePixelRatio)
{
    if (const QString pixels = prerendered(resource, devicePixelRatio); !pixels.isEmpty()) {
        // Already in the formats the painter draws fastest: the doors repaint their pictures at
        // every step.
        QPixmap pixmap = QPixmap::fromImage(artworkpixels::decode(contents(pixels)));
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
