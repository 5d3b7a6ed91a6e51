#pragma once

#include "base/result.h"
#include "metafile/drawing/playback.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <memory>
#include <optional>

class QPainter;

namespace metafile {

struct Layout;

// A Windows metafile (WMF) or enhanced metafile (EMF), parsed and checked, ready to play.
class Metafile
{
public:
    // Recognises the format from the bytes; fails with the reason when they are not a metafile
    // it can play.
    static Result<Metafile> fromData(const QByteArray &data);

    // The picture's own size in logical pixels at 96 dpi.
    QSize naturalSize() const;
    // Draws the picture scaled into target, and says what the playback did.
    Playback play(QPainter &painter, const QRectF &target) const;
    // The picture drawn on a transparent image of the given size.
    QImage toImage(QSize size) const;
    // The picture drawn at size (logical pixels) for a screen of the given pixel ratio: the
    // image has size × ratio pixels and carries the ratio, so it paints sharp and unscaled.
    QImage toImage(QSize size, qreal devicePixelRatio) const;
    // A part of the picture (in logical pixels of its natural size) for a screen of the given
    // pixel ratio: only that part is played, on a transparent image of part's size × ratio
    // that carries the ratio.
    QImage render(const QRect &part, qreal devicePixelRatio) const;
    bool isEnhanced() const;

private:
    Metafile() = default;
    // The picture drawn at picture's size on a transparent image of pixels, seen from origin.
    QImage paint(QSize pixels, qreal ratio, QPointF origin, QSizeF picture) const;
    QByteArray m_data;
    QSize m_size;
    std::shared_ptr<const Layout> m_layout;
};

} // namespace metafile
