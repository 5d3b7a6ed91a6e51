#pragma once

#include "metafile/drawing/devicecontext.h"
#include "metafile/drawing/dib.h"
#include "metafile/drawing/gdiobjects.h"

#include <QFont>
#include <QList>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <QTransform>

#include <functional>
#include <optional>

class QPainter;
class QPen;
class QBrush;
class QFontMetricsF;

namespace metafile {

// Clip combination modes of the region and path records.
namespace clipmode {
inline constexpr int kAnd = 1, kOr = 2, kXor = 3, kDiff = 4, kCopy = 5;
} // namespace clipmode

// Options of the extended text records.
namespace textout {
inline constexpr uint32_t kOpaque = 0x02, kClipped = 0x04, kPdy = 0x2000;
} // namespace textout

// One string to draw, in logical units; the parsers have decoded it already.
struct TextRun
{
    QPointF reference;
    QString text;
    // The advance after each UTF-16 unit; empty to use the font's own.
    QList<double> advances;
    uint32_t options = 0;
    std::optional<QRectF> rect;
    // The compatible graphics mode, the only one of WMF: only the reference point follows
    // the world transform, the glyphs stay upright.
    bool upright = false;
};

// A bitmap to draw into a destination rectangle, with the raster operation that combines it.
struct Blit
{
    QRectF dest;
    // In the bitmap's own pixels, top-down.
    QRectF source;
    uint32_t rop = 0x00CC0020;
    // Without a bitmap the operation combines the brush with the destination.
    std::optional<QImage> image;
};

// The drawing side of the player: the device context with its saved copies, the object
// table, the path being recorded and the clip, over the painter it draws on. Coordinates are
// logical units unless a name says otherwise; "final" is the painter's coordinate system
// when playing began.
class Canvas
{
public:
    // deviceToFinal places the page's device units on the painter; pixel is the size of one
    // pixel of the picture at its natural size, in final units (a 1-pixel pen is that wide).
    Canvas(QPainter &painter, const QTransform &deviceToFinal, const PageSpace &space,
           uint32_t objectSlots, double pixel);
    ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    DeviceContext &dc() { return m_dc; }
    // What the playback may still do; the players stop once it is spent.
    void charge(int64_t units) { m_work -= units; }
    // A count measured in floating point (a length at a far scale) may be past any integer, or
    // no number at all: either exhausts the budget.
    void chargeMeasured(double units)
    {
        m_work = units >= 0 && units <= double(m_work) ? m_work - int64_t(units) : -1;
    }
    bool exhausted() const { return m_work < 0; }
    ObjectTable &objects() { return m_objects; }
    PixelBudget &budget() { return m_budget; }

    // The mapping changed: window, viewport, mapping mode or world transform.
    void mappingChanged();
    void save();
    // A negative count pops that many saved states; a positive one returns to that state.
    void restore(int which);
    void select(const GdiObject &object);
    QColor color(ColorRef ref) const;

    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const QPolygonF &points);
    void polylineTo(const QPolygonF &points);
    void polygon(const QPolygonF &points);
    void polyPolygon(const QList<QPolygonF> &polygons);
    void polyPolyline(const QList<QPolygonF> &lines);
    void polyBezier(const QPolygonF &points);
    void polyBezierTo(const QPolygonF &points);
    // Point types of the poly-draw records: move, line, Bézier, and close-figure.
    void polyDraw(const QPolygonF &points, QByteArrayView types);
    void rectangle(const QRectF &box);
    void roundRect(const QRectF &box, QSizeF corner);
    void ellipse(const QRectF &box);
    enum class ArcKind
    {
        Arc,
        ArcTo,
        Chord,
        Pie
    };
    void arc(ArcKind kind, const QRectF &box, QPointF start, QPointF end);
    void angleArc(QPointF centre, double radius, double startDegrees, double sweepDegrees);
    void setPixel(QPointF p, ColorRef c);
    // Fills a shape with a brush of Qt's own whose coordinates are logical too (gradients).
    void fillShape(const QPainterPath &shape, const QBrush &brush);

    void text(const TextRun &run);
    void blit(const Blit &blit);
    // An image with its own alpha, faded by a constant alpha (0–255).
    void alphaBlend(const QRectF &dest, const QImage &image, const QRectF &source, int alpha);

    // Regions: in logical units for a WMF's region objects, in device units for an EMF's.
    void fillRegion(const QRegion &region, bool logical, const Brush &brush);
    void frameRegion(const QRegion &region, bool logical, const Brush &brush, QSizeF stroke);
    void invertRegion(const QRegion &region, bool logical);

    void intersectClip(const QRectF &box);
    void excludeClip(const QRectF &box);
    // nullopt with kCopy resets the clip to everything.
    void selectClip(const std::optional<QRegion> &region, bool logical, int mode);
    void offsetClip(QPointF offset);

    void beginPath();
    void endPath();
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void selectClipPath(int mode);
    void widenPath();

private:
    // Charges drawing within bounds (device pixels) and says whether it is worth drawing: some
    // of it shows, and the work left allows it.
    bool worthDrawing(const QRectF &bounds, int64_t elements);
    void applyClip();
    void combineClip(const QPainterPath &shape, int mode);
    // Draws a shape given in final units: fills it with the brush, then outlines it.
    void drawFinal(const QPainterPath &shape, bool fill, bool stroke);
    // The same for a shape in device pixels whose points are on whole pixels already.
    void drawDevice(const QPainterPath &device, bool fill, bool stroke);
    // A one-pixel outline in device pixels, laid pixel by pixel as GDI lays it.
    void strokeThin(const QPainterPath &device, const QPen &pen);
    static QPointF onPixel(QPointF device);
    // One pixel of the picture at its natural size, in whole device pixels.
    double devicePixel() const;
    // A shape in final units moved to device pixels, each point to the nearest whole pixel.
    QPainterPath onPixels(const QPainterPath &final) const;
    // A box of logical units on device pixels, short of its right and bottom edges unless
    // withEdges; nullopt while a path is recorded or when the mapping turns the box.
    std::optional<QRectF> deviceBox(const QRectF &logical, bool withEdges) const;
    // Draws a shape made from a box on device pixels: filled (its box grown by fillOutset)
    // when fill, then outlined. False when the box cannot be put on device pixels.
    bool tryDrawBox(const QRectF &logical, bool withEdges, double fillOutset, bool fill,
                    const std::function<QPainterPath(const QRectF &)> &shapeIn);
    void drawLogical(const QPainterPath &shape, bool fill, bool stroke);
    // Fills a shape in device pixels on a painter moved onto pixel centres.
    void fillWith(QPainter &painter, const QPainterPath &shape, const Brush &brush);
    // The image the painter draws on, whose pixels the operations that read the destination
    // combine with; null when it draws on anything else.
    const QImage *paintedImage() const;
    // The operations that read the destination, worked pixel by pixel on the painter's image
    // over the white the picture is shown on; false when that cannot be done here.
    bool tryBlitOverBackdrop(const Blit &blit);
    // The operations that need no bitmap, and those that draw one, through the painter.
    void fillForRop(uint32_t code, const QPainterPath &device);
    void drawBitmap(const Blit &blit);
    // The brush's pixels over white, for the device pixels of area.
    QImage patternPixels(const QRect &area);
    // How far a shape on whole pixels moves to be sampled at the pixels' centres: a little
    // less than half a pixel, so that an edge on a pixel's corner counts at the top and left
    // and not at the bottom and right.
    static constexpr double kToCentre = 0.5 - 1.0 / 32;
    QPen makePen() const;
    bool applyRop2();
    void addToPath(const QPainterPath &logical, bool continueFigure);
    QPainterPath arcPath(ArcKind kind, const QRectF &box, QPointF start, QPointF end,
                         bool clockwise) const;
    QPainterPath regionPath(const QRegion &region, bool logical) const;
    QImage maskedForRop(const QImage &image, uint32_t rop, int &mode) const;
    // The selected logical font as a font of the painter, sized for the mapping's scales;
    // nullopt when it is too small or too large to draw.
    struct SizedFont
    {
        Font logical;
        double xs = 0, ys = 0;
        QFont font;
        double em = 0;
    };
    std::optional<SizedFont> sizedFont(double xs, double ys);
    // A run of text laid out in final units: its font, the pen's position before each glyph
    // (and after the last: the run's width), where the run starts against the reference point
    // as its alignment puts it, and the placement of that point turned by the escapement.
    struct LaidText
    {
        QFont font;
        QList<double> positions;
        QPointF start;
        QTransform place;
        // How far each glyph turns from the baseline, in the painter's degrees: the glyphs'
        // own orientation in the advanced graphics mode.
        double glyphTurn = 0;
        // A vertical face's upright characters turn a quarter back about their cells.
        bool vertical = false;
    };
    // The steps of drawing a run of text, in their order.
    void fillOpaqueBox(const TextRun &run);
    QList<double> penPositions(const TextRun &run, const QFont &font, const QFontMetricsF &fm,
                               double xs, double perPixel) const;
    QPointF alignedStart(double width, const QFontMetricsF &fm, double perPixel) const;
    void placeText(const TextRun &run, QPointF reference, QPointF ux, LaidText &laid);
    void moveCurrentPosition(QPointF reference, double width, double xs);
    void recordText(const TextRun &run, const LaidText &laid);
    void drawText(const TextRun &run, const LaidText &laid, const QFontMetricsF &fm);
    // Glyphs placed for drawing: the text at its origin, and its mapping to device pixels.
    struct PlacedGlyphs
    {
        QPointF at;
        QString text;
        QTransform toDevice;
    };
    // Smoothed glyphs drawn within area (device pixels), their edges blended as GDI's are.
    void drawSmoothed(const QList<PlacedGlyphs> &glyphs, const QRectF &area, const QFont &font);

    QPainter &m_painter;
    // Final units to the device's pixels.
    QTransform m_base;
    // The painter's own clip when playing began, in device pixels.
    std::optional<QPainterPath> m_baseClip;
    QTransform m_deviceToFinal;
    PageSpace m_space;
    double m_pixel;
    // Logical units to final units, the product of world, page and device mappings.
    QTransform m_toFinal;
    DeviceContext m_dc;
    QList<DeviceContext> m_saved;
    ObjectTable m_objects;
    PixelBudget m_budget;
    int64_t m_work;
    // What the painter's device shows, in its pixels: drawing elsewhere is skipped.
    QRectF m_visible;
    bool m_clipDirty = true;

    std::optional<SizedFont> m_sizedFont;
    // Every logical font the playback has found, up to limits::kMaxFonts.
    QList<Font> m_fontsFound;

    bool m_recording = false;
    QPainterPath m_path;
    bool m_pathHasFigure = false;
};

} // namespace metafile
