// Text output of the canvas.
#include "metafile/drawing/canvas.h"

#include "metafile/drawing/limits.h"
#include "metafile/drawing/textgamma.h"
#include "metafile/drawing/verticaltext.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QRawFont>

#include <cmath>

namespace metafile {

namespace {

// A stretch (in percent) past which glyphs are drawn as outlines.
constexpr int kMaxImageStretch = 400;
// The segments a glyph's outline is counted as, for its cost.
constexpr int64_t kGlyphElements = 16;

QPointF axis(const QTransform &t, QPointF unit)
{
    return t.map(unit) - t.map(QPointF(0, 0));
}

} // namespace

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

void Canvas::placeText(const TextRun &run, QPointF reference, QPointF ux, LaidText &laid)
{
    // Escapement turns the baseline anticlockwise from the page's x axis, or from the
    // device's for upright text; a mapping that mirrors the page turns it the other way.
    // Upright text turns its glyphs with the baseline. In the advanced graphics mode they
    // turn by the orientation instead, and so does a baseline without an escapement of its
    // own, as GDI lays it.
    const double sense = m_toFinal.determinant() < 0 ? -1 : 1;
    const double turn = run.upright ? 0 : std::atan2(ux.y(), ux.x()) * 180 / M_PI;
    const double escapement = m_dc.font.escapement / 10.0;
    const double glyphs = run.upright ? escapement : m_dc.font.orientation / 10.0;
    const double baseline = escapement != 0 ? escapement : glyphs;
    QTransform place;
    const QPointF origin = m_base.inverted().map(onPixel((m_toFinal * m_base).map(reference)));
    place.translate(origin.x(), origin.y());
    place.rotate(turn - sense * baseline);
    // Glyphs of the advanced mode follow the mirror as well.
    if (sense < 0 && !run.upright)
        place.scale(1, -1);
    laid.place = place;
    laid.glyphTurn = sense * (baseline - glyphs);
    laid.vertical = vertical::isVerticalFace(m_dc.font.face);
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

namespace {

// How a glyph turns from the baseline: about its origin by the orientation, and an upright
// glyph of a vertical face a quarter back about the middle of its cell.
QTransform glyphTurn(double orientation, bool vertical, QChar c, QPointF at, double advance,
                     const QFontMetricsF &fm)
{
    double turn = orientation;
    QPointF about = at;
    if (vertical && vertical::standsUpright(c)) {
        turn -= 90;
        about = at + QPointF(advance / 2, std::floor((fm.descent() - fm.ascent()) / 2));
    }
    QTransform turned;
    if (turn != 0) {
        turned.translate(about.x(), about.y());
        turned.rotate(turn);
        turned.translate(-about.x(), -about.y());
    }
    return turned;
}

// The vertical forms of a run's punctuation, where the font has them.
QString verticalForms(const QString &text, const QFontMetricsF &fm)
{
    QString forms = vertical::withVerticalForms(text);
    for (qsizetype i = 0; i < forms.size(); ++i) {
        if (forms[i] != text[i] && !fm.inFont(forms[i]))
            forms[i] = text[i];
    }
    return forms;
}

} // namespace

void Canvas::drawSmoothed(const QList<PlacedGlyphs> &glyphs, const QRectF &area, const QFont &font)
{
    const QRect pixels = area.toAlignedRect();
    if (pixels.isEmpty())
        return;
    // The run's glyphs are laid in one layer of coverage, then blended into the picture.
    QImage coverage(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    coverage.fill(Qt::transparent);
    {
        QPainter layer(&coverage);
        layer.setFont(font);
        layer.setPen(Qt::black);
        const QTransform toLayer = QTransform::fromTranslate(-pixels.x(), -pixels.y());
        for (const PlacedGlyphs &g : glyphs) {
            layer.setTransform(g.toDevice * toLayer);
            layer.drawText(g.at, g.text);
        }
    }
    // Blending works pixel by pixel, as a score of plain fills of the same pixels cost.
    charge(int64_t(pixels.width()) * pixels.height() * 24 / limits::kPixelsPerUnit);
    // What lies under each pixel: the image drawn so far, read in whatever format it has;
    // nothing where the painter draws on anything else.
    const QImage *backdrop = paintedImage();
    const QRect drawnOn = backdrop ? backdrop->rect() : QRect();
    const bool premultiplied =
        backdrop && backdrop->format() == QImage::Format_ARGB32_Premultiplied;
    const QRgb ink = color(m_dc.textColor).rgb();
    for (int y = 0; y < coverage.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(coverage.scanLine(y));
        const int by = pixels.y() + y;
        const QRgb *under = premultiplied && by >= 0 && by < backdrop->height()
                                ? reinterpret_cast<const QRgb *>(backdrop->constScanLine(by))
                                : nullptr;
        for (int x = 0; x < coverage.width(); ++x) {
            if (qAlpha(row[x]) == 0)
                continue;
            const int bx = pixels.x() + x;
            const QRgb ground = !drawnOn.contains(bx, by) ? 0
                                : under                   ? under[bx]
                                                          : backdrop->pixel(bx, by);
            row[x] = textgamma::blend(ink, qAlpha(row[x]), ground);
        }
    }
    m_painter.resetTransform();
    m_painter.drawImage(pixels.topLeft(), coverage);
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
    const bool smoothed = !(laid.font.styleStrategy() & QFont::NoAntialias);
    const QTransform toDevice = laid.place * m_base;
    // The glyphs worth drawing, and the device pixels they may reach.
    QList<PlacedGlyphs> placed;
    QRectF reached;
    auto place = [&](QPointF at, const QString &text, double advance, const QTransform &turned) {
        // A glyph costs what it covers of the part shown, as any shape does; one outside it
        // is not drawn at all. Its box reaches a line's height past its advance every way,
        // for the ink of italic and swash glyphs.
        const double h = fm.height();
        const QRectF box(at.x() - h, at.y() - fm.ascent() - h, std::abs(advance) + 2 * h, 3 * h);
        const QTransform glyphToDevice = turned * toDevice;
        const QRectF reach = glyphToDevice.mapRect(box);
        if (!worthDrawing(reach, kGlyphElements * text.size()))
            return;
        placed.append({at, text, glyphToDevice});
        reached |= reach;
    };
    // Without advances of its own, spacing between characters or glyphs turned apart from
    // the baseline, the run is laid whole.
    if (run.advances.isEmpty() && m_dc.textCharExtra == 0 && laid.glyphTurn == 0 &&
        !laid.vertical) {
        place(laid.start, run.text, width, {});
    } else {
        const QString text = laid.vertical ? verticalForms(run.text, fm) : run.text;
        for (qsizetype i = 0; i < n; ++i) {
            if (text[i].isLowSurrogate())
                continue;
            const qsizetype len = text[i].isHighSurrogate() && i + 1 < n ? 2 : 1;
            const QPointF at = laid.start + QPointF(positions[i], 0);
            const double advance = positions[i + len] - positions[i];
            place(at, text.mid(i, len), advance,
                  glyphTurn(laid.glyphTurn, laid.vertical, text[i], at, advance, fm));
        }
    }
    if (!outlined && smoothed) {
        drawSmoothed(placed, reached & m_visible, laid.font);
        return;
    }
    for (const PlacedGlyphs &g : placed) {
        m_painter.setTransform(g.toDevice);
        if (!outlined) {
            m_painter.drawText(g.at, g.text);
            continue;
        }
        QPainterPath outline;
        outline.addText(g.at, laid.font, g.text);
        m_painter.fillPath(outline, color(m_dc.textColor));
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
    placeText(run, reference, ux, laid);
    if (updateCp)
        moveCurrentPosition(reference, width, xs);
    if (m_recording)
        recordText(run, laid);
    else
        drawText(run, laid, fm);
}

} // namespace metafile
