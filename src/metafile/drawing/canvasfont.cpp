// The canvas's font: the selected logical font matched and sized for the mapping.
#include "metafile/drawing/canvas.h"

#include "metafile/drawing/fontmatch.h"
#include "metafile/drawing/limits.h"
#include "metafile/drawing/verticaltext.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include <cmath>

namespace metafile {

namespace {

// Glyphs larger than this many final pixels are not drawn: no sign needs them, and the
// rasteriser's time grows with them.
constexpr double kMaxEm = 4096;
// The height a logical font of height 0 gets, in pixels at natural size.
constexpr double kDefaultEm = 16;

} // namespace

std::optional<Canvas::SizedFont> Canvas::sizedFont(double xs, double ys)
{
    // Finding a font is costly, and a picture's texts mostly share theirs.
    if (m_sizedFont && m_sizedFont->logical == m_dc.font && m_sizedFont->xs == xs &&
        m_sizedFont->ys == ys)
        return m_sizedFont;
    // Finding a face the machine lacks can take milliseconds: a picture that changes its font at
    // every text pays for each, and gets no more fonts than a picture needs.
    if (!m_fontsFound.contains(m_dc.font)) {
        if (m_fontsFound.size() >= limits::kMaxFonts)
            return std::nullopt;
        m_fontsFound.append(m_dc.font);
    }
    charge(limits::kFontWork);
    if (exhausted())
        return std::nullopt;
    QPaintDevice *device = m_painter.device();
    const double dpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    Font logical = m_dc.font;
    // A vertical face is its horizontal face, laid down the page.
    if (vertical::isVerticalFace(logical.face))
        logical.face.remove(0, 1);
    QFont qfont = matchFont(logical);
    double em = logical.height == 0 ? kDefaultEm * m_pixel : std::abs(double(logical.height)) * ys;
    auto setEm = [&](double px) { qfont.setPointSizeF(std::max(px, 0.01) * 72.0 / dpi); };
    // Fonts come in whole pixels of the picture's own size, on a finer screen scaled from
    // there: the height is cut to whole pixels, as GDI cuts it, and a positive height, the
    // cell's (ascent and descent together), gives the nearest whole em.
    const double perPixel = std::hypot(m_base.m11(), m_base.m12());
    const bool whole = m_pixel > 0 && em >= m_pixel;
    if (whole)
        em = std::floor(em / m_pixel + 0.01) * m_pixel;
    setEm(em);
    if (logical.height > 0) {
        const QFontMetricsF fm(qfont, device);
        const double cell = fm.ascent() + fm.descent();
        if (cell > 0) {
            em *= em / cell;
            if (whole)
                em = std::max(1.0, std::round(em / m_pixel)) * m_pixel;
            setEm(em);
        }
    }
    m_sizedFont.reset();
    if (!(em <= kMaxEm) || em < 0.05)
        return std::nullopt;
    const bool smoothed = smoothsGlyphs(qfont, logical.quality, int(std::lround(em * perPixel)));
    qfont.setStyleStrategy(QFont::StyleStrategy(
        QFont::PreferOutline | (smoothed ? QFont::PreferAntialias : QFont::NoAntialias)));
    // A logical width (the average character's) or an anisotropic mapping widens the glyphs.
    double stretch = xs / ys;
    if (logical.width != 0) {
        const double average = QFontMetricsF(qfont, device).averageCharWidth();
        if (average > 0)
            stretch = std::abs(double(logical.width)) * xs / average;
    }
    if (std::abs(stretch - 1) > 0.01)
        qfont.setStretch(int(std::clamp(std::lround(stretch * 100), 1L, 4000L)));
    m_sizedFont = SizedFont{m_dc.font, xs, ys, qfont, em};
    return m_sizedFont;
}

} // namespace metafile
