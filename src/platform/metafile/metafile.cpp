#include "platform/metafile/metafile.h"

#include <QPainter>

namespace metafile {

std::optional<Metafile> Metafile::fromData(const QByteArray &)
{
    return std::nullopt;
}

QSize Metafile::naturalSize() const
{
    return m_size;
}

void Metafile::play(QPainter &, const QRectF &) const {}

QImage Metafile::toImage(QSize size) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    play(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

} // namespace metafile
