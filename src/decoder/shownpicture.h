#pragma once

#include "base/result.h"
#include "decoder/channel.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <QString>

class DecoderClient;

// A picture file as a control shows it: the decoder process holds the picture, and this holds
// its natural size and the part last rendered. A part not rendered yet (a drag revealing more
// of the signboard) is asked of the decoder, which loads the file again if it has been started
// anew since.
class ShownPicture
{
public:
    ShownPicture() = default;

    // The picture of the file at path, held in slot; part, when not empty, is rendered at once.
    // The empty path gives no picture. shown, when not null, is the only part the control can
    // ever show. Fails with the reason as the loader words it.
    static Result<ShownPicture> load(DecoderClient &decoder, channel::Slot slot,
                                     const QString &path, const QRect &shown = {},
                                     const QRect &part = {}, qreal ratio = 1.0);

    bool isNull() const { return m_decoder == nullptr; }
    // In logical pixels: a bitmap's pixel size, a metafile's own size at 96 dpi.
    QSize naturalSize() const { return m_natural; }
    QSizeF naturalSizeTwips() const;
    // The part (in the picture's logical pixels) for a screen of the given ratio: a null image
    // when nothing of the picture is there; fails when the decoder can no longer render it.
    Result<QImage> render(const QRect &part, qreal ratio) const;

private:
    DecoderClient *m_decoder = nullptr;
    channel::Slot m_slot = channel::Slot::Sign;
    QString m_path;
    QRect m_shown;
    QSize m_natural;
    mutable quint64 m_loadNumber = 0;
    mutable QRect m_part;
    mutable qreal m_ratio = 0;
    mutable QImage m_pixels;
};
