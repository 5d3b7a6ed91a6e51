#include "platform/artwork.h"

#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

namespace artwork {

QSize naturalSize(const QString &resource)
{
    QSvgRenderer renderer(resource);
    return renderer.defaultSize();
}

QPixmap render(const QString &resource, qreal devicePixelRatio)
{
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

} // namespace artwork
