#include "decoder/shownpicture.h"

#include "base/twips.h"
#include "decoder/decoderclient.h"

Result<ShownPicture> ShownPicture::load(DecoderClient &decoder, channel::Slot slot,
                                        const QString &path, const QRect &shown, const QRect &part,
                                        qreal ratio)
{
    if (path.isEmpty())
        return ShownPicture();
    auto loaded = decoder.load(slot, path, shown, part, ratio);
    if (!loaded)
        return loaded.error();
    ShownPicture picture;
    picture.m_decoder = &decoder;
    picture.m_slot = slot;
    picture.m_path = path;
    picture.m_shown = shown;
    picture.m_natural = loaded->natural;
    picture.m_loadNumber = decoder.heldLoad(slot);
    if (!part.isEmpty()) {
        picture.m_part = part;
        picture.m_ratio = ratio;
        picture.m_pixels = loaded->pixels;
    }
    return picture;
}

QSizeF ShownPicture::naturalSizeTwips() const
{
    return QSizeF(twips::fromPixels(m_natural.width()), twips::fromPixels(m_natural.height()));
}

Result<QImage> ShownPicture::render(const QRect &part, qreal ratio) const
{
    if (!m_decoder || (part & QRect(QPoint(0, 0), m_natural)).isEmpty())
        return QImage();
    if (part == m_part && ratio == m_ratio)
        return m_pixels;
    auto rendered = m_decoder->render(m_slot, m_loadNumber, part, ratio);
    if (!rendered && m_decoder->heldLoad(m_slot) != m_loadNumber) {
        // The slot holds another picture, or a new decoder holds none: the file is loaded
        // again, and shown only if it is still the same picture.
        rendered = m_decoder->load(m_slot, m_path, m_shown, part, ratio);
        if (rendered && rendered->natural != m_natural)
            rendered = Error{QStringLiteral("the file has changed")};
        if (rendered)
            m_loadNumber = m_decoder->heldLoad(m_slot);
    }
    if (!rendered)
        return rendered.error();
    m_part = part;
    m_ratio = ratio;
    m_pixels = rendered->pixels;
    return m_pixels;
}
