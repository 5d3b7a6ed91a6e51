#include "platform/artwork.h"
#include "platform/artworkpixels.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#ifdef POTERO_HAVE_SVG
#include <QSvgRenderer>
#endif

#include <cmath>

namespace artwork {
namespace {

QString pixelsPath(const QString &resource, qreal scale)
{
    return resource.chopped(4) + QStringLiteral("@%1x.pixels").arg(QString::number(scale));
}

QString prerendered(const QString &resource, qreal devicePixelRatio)
{
    const QString path = pixelsPath(resource, devicePixelRatio);
    return QFileInfo::exists(path) ? path : QString();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSize deviceSize(QSize logical, qreal devicePixelRatio)
{
    return QSize(static_cast<int>(std::ceil(logical.width() * devicePixelRatio)),
                 static_cast<int>(std::ceil(logical.height() * devicePixelRatio)));
}

#ifdef POTERO_HAVE_SVG
QPixmap renderOther(const QString &resource, qreal devicePixelRatio)
{
    QSvgRenderer renderer(resource);
    const QSize device = deviceSize(renderer.defaultSize(), devicePixelRatio);
    QPixmap pixmap(device);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(device)));
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}
#else
// The scales the build renders a picture at where there is no SVG: every scale Windows offers.
constexpr qreal kScales[] = {1, 1.25, 1.5, 1.75, 2, 2.25, 2.5, 3};

// From the next larger scale the build rendered (the largest when none is larger), smoothly
// scaled: finer detail scales down better than coarse detail scales up.
QPixmap renderOther(const QString &resource, qreal devicePixelRatio)
{
    QString source;
    for (qreal scale : kScales) {
        source = prerendered(resource, scale);
        if (!source.isEmpty() && scale >= devicePixelRatio)
            break;
    }
    if (source.isEmpty())
        return QPixmap();
    const QImage larger = artworkpixels::decode(contents(source));
    QPixmap pixmap =
        QPixmap::fromImage(larger.scaled(deviceSize(naturalSize(resource), devicePixelRatio),
                                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}
#endif

} // namespace

QSize naturalSize(const QString &resource)
{
    if (const QString pixels = prerendered(resource, 1.0); !pixels.isEmpty())
        return artworkpixels::header(contents(pixels)).size;
#ifdef POTERO_HAVE_SVG
    QSvgRenderer renderer(resource);
    return renderer.defaultSize();
#else
    return QSize();
#endif
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
    return renderOther(resource, devicePixelRatio);
}

QIcon icon(const QString &resource)
{
    QIcon result;
    result.addPixmap(render(resource, 1.0));
    result.addPixmap(render(resource, 2.0));
    return result;
}

} // namespace artwork
