// Text output of the canvas.
#include "metafile/drawing/canvas.h"

#include "metafile/drawing/fontmatch.h"
#include "metafile/drawing/limits.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>

#include <cmath>

namespace metafile {

namespace {

// Glyphs larger than this many final pixels are not drawn: no sign needs them, and the
// rasteriser's time grows with them.
constexpr double kMaxEm = 4096;
// A stretch (in percent) past which glyphs are drawn as outlines.
constexpr int kMaxImageStretch = 400;
// The segments a glyph's outline is counted as, for its cost.
constexpr int64_t kGlyphElements = 16;
// The height a logical font of height 0 gets, in pixels at natural size.
constexpr double kDefaultEm = 16;

struct TextFrame
{
    QFont font;
    double xScale = 1;
    double angle = 0;
};

QPointF axis(const QTransform &t, QPointF unit)
{
    return t.map(unit) - t.map(QPointF(0, 0));
}

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
    if (logical.face.startsWith(u'@'))
        logical.face.remove(0, 1);
    QFont qfont = matchFont(logical);
    double em = logical.height == 0 ? kDefaultEm * m_pixel : std::abs(double(logical.height)) * ys;
    auto setEm = [&](double px) { qfont.setPointSizeF(std::max(px, 0.01) * 72.0 / dpi); };
    setEm(em);
    if (logical.height > 0) {
        // A positive height is the cell's, ascent and descent together.
        const QFontMetricsF fm(qfont, device);
        const double cell = fm.ascent() + fm.descent();
        if (cell > 0) {
            em *= em / cell;
            setEm(em);
        }
    }
    // Fonts come in whole pixels.
    const double perPixel = std::hypot(m_base.m11(), m_base.m12());
    if (perPixel > 0 && em * perPixel >= 1) {
        em = std::round(em * perPixel) / perPixel;
        setEm(em);
    }
    m_sizedFont.reset();
    if (!(em <= kMaxEm) || em < 0.05)
        return std::nullopt;
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

void Canvas::fillOpaqueBox(const TextRun &run)
{
    applyClip();
    m_painter.setTransform(QTransform::fromTranslate(kToCentre, kToCentre));
    QPainterPath box;
    box.addRect(run.rect->normalized());
    m_painter.fillPath(onPixels(m_toFinal.map(box)), color(m_dc.bkColor));
}

QList<double> Canvas::penPositions(const TextRun &run, const QFont &font, const QFontMetricsF &fm,
                                   double xs, double perPixel) const
{
    const qsizetype n = run.text.size();
    QList<double> positions(n + 1, 0.0);
    const double extra = m_dc.textCharExtra * xs;
    // The font's own advances, read from the font file in one go: asking the metrics for
    // each character looks the font up again each time for some scripts. A character the
    // font lacks is measured in the font that stands in for it.
    QList<double> own;
    if (run.advances.size() < n) {
        const QRawFont raw = QRawFont::fromFont(font);
        const QList<quint32> glyphs =
            raw.isValid() ? raw.glyphIndexesForString(run.text) : QList<quint32>();
        const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
        own.resize(n, -1);
        // One glyph for each character: surrogate pairs and missing glyphs are measured apart.
        if (glyphs.size() == n && advances.size() == n) {
            for (qsizetype i = 0; i < n; ++i) {
                if (glyphs[i] != 0 && !run.text[i].isSurrogate())
                    own[i] = advances[i].x();
            }
        }
    }
    for (qsizetype i = 0; i < n; ++i) {
        double advance;
        if (i < run.advances.size())
            advance = run.advances[i] * xs;
        else if (run.text[i].isHighSurrogate() && i + 1 < n)
            advance = fm.horizontalAdvance(run.text.mid(i, 2)) + extra;
        else if (run.text[i].isLowSurrogate())
            advance = 0;
        else
            advance = (own[i] >= 0 ? own[i] : fm.horizontalAdvance(run.text[i])) + extra;
        positions[i + 1] = positions[i] + (std::isfinite(advance) ? advance : 0);
    }
    // Glyphs start on whole pixels.
    for (double &position : positions) {
        if (perPixel > 0)
            position = std::round(position * perPixel) / perPixel;
    }
    return positions;
}

QPointF Canvas::alignedStart(double width, const QFontMetricsF &fm, double perPixel) const
{
    double dx = 0;
    switch (m_dc.textAlign & textalign::kHorizontalMask) {
    case textalign::kRight:
        dx = -width;
        break;
    case textalign::kCenter:
        dx = -width / 2;
        break;
    default:
        break;
    }
    double baseline = 0;
    switch (m_dc.textAlign & textalign::kVerticalMask) {
    case textalign::kBaseline:
        break;
    case textalign::kBottom:
        baseline = -fm.descent();
        break;
    default:
        baseline = fm.ascent();
        break;
    }
    if (perPixel > 0)
        baseline = std::round(baseline * perPixel) / perPixel;
    return QPointF(dx, baseline);
}

QTransform Canvas::textPlacement(const TextRun &run, QPointF reference, QPointF ux)
{
    // Escapement turns the baseline anticlockwise from the page's x axis, or from the
    // device's for upright text.
    const double turn = run.upright ? 0 : std::atan2(ux.y(), ux.x()) * 180 / M_PI;
    const double angle = turn - m_dc.font.escapement / 10.0;
    QTransform place;
    const QPointF origin = m_base.inverted().map(onPixel((m_toFinal * m_base).map(reference)));
    place.translate(origin.x(), origin.y());
    place.rotate(angle);
    return place;
}

void Canvas::moveCurrentPosition(QPointF reference, double width, double xs)
{
    const double moved = (m_dc.textAlign & textalign::kHorizontalMask) == textalign::kRight ? -width
                         : (m_dc.textAlign & textalign::kHorizontalMask) == 0               ? width
                                                                                            : 0;
    m_dc.position = reference + QPointF(moved / xs, 0);
}

void Canvas::recordText(const TextRun &run, const LaidText &laid)
{
    QPainterPath glyphs;
    for (qsizetype i = 0; i < run.text.size(); ++i)
        glyphs.addText(laid.start + QPointF(laid.positions[i], 0), laid.font, QString(run.text[i]));
    m_path.addPath(laid.place.map(glyphs));
    m_pathHasFigure = false;
}

void Canvas::drawText(const TextRun &run, const LaidText &laid, const QFontMetricsF &fm)
{
    const QList<double> &positions = laid.positions;
    const qsizetype n = run.text.size();
    const double width = positions[n];
    applyClip();
    m_painter.setTransform(laid.place * m_base);
    if (run.rect && (run.options & textout::kClipped)) {
        QPainterPath box;
        box.addRect(run.rect->normalized());
        m_painter.setClipPath((m_toFinal * laid.place.inverted()).map(box), Qt::IntersectClip);
        m_clipDirty = true;
    }
    if (m_dc.bkOpaque) {
        m_painter.fillRect(
            QRectF(laid.start.x(), laid.start.y() - fm.ascent(), width, fm.ascent() + fm.descent()),
            color(m_dc.bkColor));
    }
    m_painter.setFont(laid.font);
    m_painter.setPen(color(m_dc.textColor));
    // Glyphs stretched far past their shape are filled as outlines: the font engine's glyph
    // images fail at such sizes.
    const bool outlined = laid.font.stretch() > kMaxImageStretch;
    const QTransform toDevice = laid.place * m_base;
    auto draw = [&](QPointF at, const QString &text, double advance) {
        // A glyph costs what it covers of the part shown, as any shape does; one outside it
        // is not drawn at all. Its box reaches a line's height past its advance every way,
        // for the ink of italic and swash glyphs.
        const double h = fm.height();
        const QRectF box(at.x() - h, at.y() - fm.ascent() - h, std::abs(advance) + 2 * h, 3 * h);
        if (!worthDrawing(toDevice.mapRect(box), kGlyphElements * text.size()))
            return;
        if (!outlined) {
            m_painter.drawText(at, text);
            return;
        }
        QPainterPath outline;
        outline.addText(at, laid.font, text);
        m_painter.fillPath(outline, color(m_dc.textColor));
    };
    // Without advances of its own or spacing between characters, the run is drawn whole.
    if (run.advances.isEmpty() && m_dc.textCharExtra == 0) {
        draw(laid.start, run.text, width);
        return;
    }
    for (qsizetype i = 0; i < n; ++i) {
        if (run.text[i].isLowSurrogate())
            continue;
        const qsizetype len = run.text[i].isHighSurrogate() && i + 1 < n ? 2 : 1;
        draw(laid.start + QPointF(positions[i], 0), run.text.mid(i, len),
             positions[i + len] - positions[i]);
    }
}

void Canvas::text(const TextRun &run)
{
    const bool updateCp = m_dc.textAlign & textalign::kUpdateCp;
    const QPointF reference = updateCp ? m_dc.position : run.reference;
    if (run.rect && (run.options & textout::kOpaque) && !m_recording)
        fillOpaqueBox(run);
    if (run.text.isEmpty())
        return;
    // Each glyph is shaped and outlined, shown or not.
    charge(int64_t(run.text.size()) * 16);
    if (exhausted())
        return;

    const QPointF ux = axis(m_toFinal, {1, 0}), uy = axis(m_toFinal, {0, 1});
    const double xs = std::hypot(ux.x(), ux.y()), ys = std::hypot(uy.x(), uy.y());
    if (!(xs > 0) || !(ys > 0))
        return;
    const std::optional<SizedFont> sized = sizedFont(xs, ys);
    if (!sized)
        return;
    const double perPixel = std::hypot(m_base.m11(), m_base.m12());
    const QFontMetricsF fm(sized->font, m_painter.device());
    LaidText laid{sized->font, penPositions(run, sized->font, fm, xs, perPixel), {}, {}};
    const double width = laid.positions.last();
    laid.start = alignedStart(width, fm, perPixel);
    laid.place = textPlacement(run, reference, ux);
    if (updateCp)
        moveCurrentPosition(reference, width, xs);
    if (m_recording)
        recordText(run, laid);
    else
        drawText(run, laid, fm);
}

} // namespace metafile
