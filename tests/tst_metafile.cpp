// The WMF and EMF player through its public face: recognition, natural size, drawn pixels.
#include "metafile/drawing/ansitext.h"
#include "metafile/drawing/regiondata.h"
#include "metafile/metafile.h"
#include "support/metafilebuilder.h"
#include "support/picturediff.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QtTest>

using metafile::Metafile;
using metafile::Playback;
using namespace mfbytes;

// Pixels of a rendering and the colours (0x00BBGGRR) they must have, or kClear.
using Probes = QList<std::tuple<int, int, int64_t>>;
Q_DECLARE_METATYPE(Probes)

namespace {

// Record functions of the Windows metafile format.
constexpr uint16_t SaveDc = 0x001E, SetMapMode = 0x0103, RestoreDc = 0x0127,
                   SelectClipRegion = 0x012C, SelectObject = 0x012D, DeleteObject = 0x01F0,
                   SetBkColor = 0x0201, SetWindowOrg = 0x020B, SetWindowExt = 0x020C,
                   SetViewportExt = 0x020E, SelectPalette = 0x0234, CreatePalette = 0x00F7,
                   CreatePen = 0x02FA, CreateBrush = 0x02FC, Rectangle = 0x041B, PatBlt = 0x061D,
                   CreateRegion = 0x06FF, ExtTextOut = 0x0A32, StretchDib = 0x0F43,
                   DibCreatePatternBrush = 0x0142, CreateFont = 0x02FB, FillRegion = 0x0228,
                   FrameRegion = 0x0429, PaintRegion = 0x012B, ScaleWindowExt = 0x0410,
                   MoveTo = 0x0214, LineTo = 0x0213, TextOut = 0x0521;

// Record types of the enhanced metafile format.
constexpr uint32_t ESetWindowExt = 9, ESetViewportExt = 11, ESetMapMode = 17, ESetBkMode = 18,
                   ESetTextAlign = 22, EMoveTo = 27, ESaveDc = 33, ERestoreDc = 34,
                   ESetWorldTransform = 35, EModifyWorldTransform = 36, ESelectObject = 37,
                   ECreatePen = 38, ECreateBrush = 39, EEllipse = 42, ERectangle = 43, ELineTo = 54,
                   EBeginPath = 59, EEndPath = 60, ECloseFigure = 61, EFillPath = 62,
                   EStrokePath = 64, ESelectClipPath = 67, EFillRgn = 71, EExtSelectClipRgn = 75,
                   EStretchDiBits = 81, ECreateFont = 82, EExtTextOutW = 84, EPolygon16 = 86,
                   EPolyPolyline16 = 90, EGradientFill = 118, EExtFloodFill = 53, EGdiComment = 70,
                   EAngleArc = 41, EDeleteObject = 40;

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00;
constexpr int64_t kClear = -1;

Record wmfBrush(uint32_t color)
{
    return w(CreateBrush, words({0}) + dwords({color}) + words({0}));
}

// A placeable WMF of 100 × 100 logical units at 96 per inch, a null pen in slot 0 and, unless
// kClear, a solid brush of `color` selected from slot 1; then the records.
QByteArray wmf(int64_t color, const QList<Record> &records)
{
    QList<Record> all = {w(CreatePen, 5, 0, 0, 0, 0), w(SelectObject, 0)};
    if (color != kClear)
        all << wmfBrush(uint32_t(color)) << w(SelectObject, 1);
    return wmfFile(all + records, QRect(0, 0, 100, 100), 96);
}

// 100 × 100 pixels at 96 dpi (2645.8 hundredths of a millimetre), a null pen in slot 1 and,
// unless kClear, a solid brush of `color` in slot 2; then the records.
QByteArray emf(int64_t color, const QList<Record> &records)
{
    QList<Record> all = {e(ECreatePen, 1, 5, 0, 0, 0), e(ESelectObject, 1)};
    if (color != kClear)
        all << e(ECreateBrush, 2, 0, color, 0) << e(ESelectObject, 2);
    return emfFile(QRect(QPoint(0, 0), QPoint(2646, 2646)), all + records);
}

bool isColor(QRgb p, int64_t bgr)
{
    if (bgr == kClear)
        return qAlpha(p) == 0;
    const auto near = [](int a, int64_t b) { return std::abs(a - int(b & 0xFF)) < 8; };
    return qAlpha(p) > 250 && near(qRed(p), bgr) && near(qGreen(p), bgr >> 8) &&
           near(qBlue(p), bgr >> 16);
}

// A StretchDIB of a DIB onto the whole square.
Record wmfStretch(uint32_t rop, int width, int height, const QByteArray &dibBytes)
{
    return w(StretchDib,
             dwords({rop}) + words({0, height, width, 0, 0, 100, 100, 0, 0}) + dibBytes);
}

// Every metafile of the corpus against its reference rendering.

const QString kFolder = QStringLiteral(POTERO_TEST_DATA "/metafile");

// How far a file may be from GDI's picture: 0.05, or its "name tolerance [windows] reason" line
// in tolerances.txt.
double tolerance(const QString &name)
{
    QFile file(kFolder + QStringLiteral("/tolerances.txt"));
    for (bool open = file.open(QIODevice::ReadOnly); open && !file.atEnd();) {
        const QList<QByteArray> parts = file.readLine().split(' ');
        // A second number is the tolerance on Windows, whose font engine draws text its own way.
        bool forWindows = false;
        const double windows = parts.value(2).toDouble(&forWindows);
        if (parts.size() >= 2 && parts[0] == name.toUtf8())
            return QSysInfo::productType() == u"windows" && forWindows ? windows
                                                                       : parts[1].toDouble();
    }
    return 0.05;
}

void addProbeColumns()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Probes>("probes");
}

// Plays the row's bytes on a clear 100 × 100 picture and checks its probes; what the playback
// said goes to played.
void verifyDrawn(Playback *played = nullptr)
{
    QFETCH(QByteArray, bytes);
    QFETCH(Probes, probes);
    const auto mf = Metafile::fromData(bytes);
    QVERIFY(mf);
    QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const Playback playback = mf->play(painter, image.rect());
    painter.end();
    if (played)
        *played = playback;
    for (const auto &[x, y, color] : probes)
        QVERIFY2(isColor(image.pixel(x, y), color),
                 qPrintable(QString::asprintf("(%d, %d): argb %08x", x, y, image.pixel(x, y))));
}

} // namespace

class TestMetafile : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void naturalSize_data();
    void naturalSize();
    void mapping_data();
    void mapping() { verifyDrawn(); }
    void objectsAndState_data();
    void objectsAndState() { verifyDrawn(); }
    void clipping_data();
    void clipping() { verifyDrawn(); }
    void linesAndShapes_data();
    void linesAndShapes() { verifyDrawn(); }
    void text_data();
    void text() { verifyDrawn(); }
    void bitmaps_data();
    void bitmaps() { verifyDrawn(); }
    void firstSkip_data();
    void firstSkip();
    void decodesCodePages_data();
    void decodesCodePages();
    void regions();
};

// What is played and at what size; an empty size for bytes that are not played.
void TestMetafile::naturalSize_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    const auto frame = [](int left, int top, int right, int bottom) {
        return emfFile(QRect(QPoint(left, top), QPoint(right, bottom)), {});
    };
    QTest::newRow("text") << QByteArray("just some text, not a picture at all") << QSize();
    QTest::newRow("placeable key only") << dwords({0x9AC6CDD7}) << QSize();
    QTest::newRow("placeable, empty frame")
        << wmfFile({w(Rectangle, 5, 5, 0, 0)}, QRect(10, 10, 0, 0), 96) << QSize();
    QTest::newRow("plain WMF drawing nothing") << wmfFile({}) << QSize();
    QByteArray badSignature = emf(kClear, {}), hugeHeader = badSignature;
    badSignature[40] = 'X';
    hugeHeader[6] = char(0xFF);
    QTest::newRow("EMF, bad signature") << badSignature << QSize();
    QTest::newRow("EMF header longer than the file") << hugeHeader << QSize();
    // The frame includes its right and bottom edges.
    QTest::newRow("EMF of 25.4 × 12.7 mm") << frame(0, 0, 2539, 1269) << QSize(96, 48);
    QTest::newRow("EMF of 52 × 32 pixels") << frame(100, 100, 1475, 946) << QSize(52, 32);
    QTest::newRow("EMF past the cap") << frame(0, 0, 2'000'000'000, 2540) << QSize(16384, 96);
    QTest::newRow("placeable, 1440 per inch")
        << wmfFile({}, QRect(0, 0, 1440, 720), 1440) << QSize(96, 48);
    QTest::newRow("placeable, negative origin")
        << wmfFile({}, QRect(-100, -50, 200, 100), 96) << QSize(200, 100);
    QTest::newRow("plain WMF, y-up window")
        << wmfFile({w(SetWindowOrg, 0, 0), w(SetWindowExt, -32, 52)}) << QSize(52, 32);
    // Without a window the size is the bounds of what is drawn, a thin pen one pixel wide.
    QTest::newRow("plain WMF, bounds of drawing")
        << wmfFile({w(Rectangle, 30, 50, 10, 10)}) << QSize(40, 20);
    // A line from (5, 10) to (45, 30), a pattern of 30 x 20 at (70, 60) and text at (120, 90),
    // under an origin.
    QTest::newRow("plain WMF, bounds of a line, a pattern and text")
        << wmfFile({w(SetWindowOrg, 7, 7), w(MoveTo, 10, 5), w(LineTo, 30, 45),
                    w(PatBlt, 0x0021, 0x00F0, 20, 30, 60, 70),
                    w(TextOut, words({4}) + QByteArray("abcd") + words({90, 120}))})
        << QSize(115, 80);
}

void TestMetafile::naturalSize()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    const auto mf = Metafile::fromData(bytes);
    QCOMPARE(mf ? mf->naturalSize() : QSize(), size);
}

// Map modes, windows and viewports, world transforms.
void TestMetafile::mapping_data()
{
    addProbeColumns();
    // A window of 1000 units from (1000, 1000) fills the frame: its right half is the image's.
    QTest::newRow("WMF window onto the frame")
        << wmf(kGreen, {w(SetMapMode, 8), w(SetWindowOrg, 1000, 1000), w(SetWindowExt, 1000, 1000),
                        w(Rectangle, 2000, 2000, 1000, 1500)})
        << Probes{{75, 50, kGreen}, {25, 50, kClear}};
    // A window scaled to twice its extent halves what is drawn.
    QTest::newRow("WMF window scaled")
        << wmf(kRed, {w(SetWindowExt, 100, 100), w(ScaleWindowExt, 1, 2, 1, 2),
                      w(Rectangle, 100, 100, 0, 0)})
        << Probes{{25, 25, kRed}, {75, 75, kClear}};
    // A window of 10 × 10 on a viewport of 100 × 50; isotropic keeps 5 × 5 pixel units.
    for (const int mode : {7, 8})
        QTest::addRow("EMF map mode %d", mode)
            << emf(kRed, {e(ESetMapMode, mode), e(ESetWindowExt, 10, 10),
                          e(ESetViewportExt, 100, 50), e(ERectangle, 0, 0, 5, 10)})
            << Probes{{12, 25, kRed}, {37, 25, mode == 7 ? kClear : kRed}, {12, 75, kClear}};
    // Moved by 50, then scaled by a half on the left: x from 50 to 70.
    QTest::newRow("EMF world transform")
        << emf(kRed, {e(ESetWorldTransform, floats({1, 0, 0, 1, 50, 0})),
                      e(EModifyWorldTransform, floats({0.5f, 0, 0, 1, 0, 0}) + dwords({2})),
                      e(ERectangle, 0, 0, 40, 40)})
        << Probes{{60, 20, kRed}, {45, 20, kClear}, {80, 20, kClear}};
    // Past the device's 32-bit coordinates a shape draws nothing, however much it would cover.
    QTest::newRow("EMF shape past the device's coordinates")
        << emf(kRed, {e(ESetWorldTransform, floats({1e9f, 0, 0, 1e9f, 50, 50})),
                      e(ERectangle, -40, -40, 40, 40)})
        << Probes{{50, 50, kClear}, {5, 95, kClear}};
    QTest::newRow("EMF world transform set")
        << emf(kRed, {e(EModifyWorldTransform, floats({0.5f, 0, 0, 0.5f, 0, 0}) + dwords({4})),
                      e(ERectangle, 0, 0, 100, 100)})
        << Probes{{25, 25, kRed}, {75, 75, kClear}};
}

// The object table, colours and brushes, saved and restored states.
void TestMetafile::objectsAndState_data()
{
    addProbeColumns();
    // A negative level counts back from the last save; a positive one is the level itself,
    // the first save being 1. Levels not saved, and 0, change nothing.
    QTest::newRow("EMF save and restore")
        << emf(kRed,
               {e(ERestoreDc, 0), e(ECreateBrush, 3, 0, kBlue, 0), e(ECreateBrush, 4, 0, kGreen, 0),
                e(ESaveDc), e(ESelectObject, 3), e(ESaveDc), e(ESelectObject, 4), e(ESaveDc),
                e(ERestoreDc, -5), e(ERestoreDc, 4), e(ERectangle, 0, 0, 50, 50), e(ERestoreDc, 2),
                e(ERectangle, 50, 0, 100, 50), e(ERestoreDc, 1), e(ERectangle, 0, 50, 50, 100),
                e(ERestoreDc, -1), e(ERestoreDc, 0), e(ERectangle, 50, 50, 100, 100)})
        << Probes{{25, 25, kGreen}, {75, 25, kBlue}, {25, 75, kRed}, {75, 75, kRed}};
    // A brush deleted since the state was saved is not selected again: the current one stays.
    // The first save's red brush is restored.
    QTest::newRow("WMF save and restore, of a deleted brush")
        << wmf(kRed, {w(SaveDc), wmfBrush(kBlue), w(SelectObject, 2), w(SaveDc), wmfBrush(kGreen),
                      w(SelectObject, 3), w(DeleteObject, 2), w(RestoreDc, -1),
                      w(Rectangle, 50, 50, 0, 0), w(RestoreDc, -1), w(Rectangle, 100, 100, 50, 50)})
        << Probes{{25, 25, kGreen}, {75, 75, kRed}};
    QTest::newRow("saves past the depth cap")
        << wmf(kClear, QList<Record>(2000, w(SaveDc))
                           << wmfBrush(kRed) << w(SelectObject, 1) << w(Rectangle, 100, 100, 0, 0))
        << Probes{{50, 50, kRed}};
    // Brushes take slots 1 and 2; deleting 1 makes the next brush take slot 1.
    QTest::newRow("WMF deleted slot reused")
        << wmf(kRed,
               {wmfBrush(kBlue), w(DeleteObject, 1), wmfBrush(kGreen), w(SelectObject, 1),
                w(Rectangle, 50, 50, 0, 0), w(SelectObject, 2), w(Rectangle, 100, 100, 50, 50)})
        << Probes{{25, 25, kGreen}, {75, 75, kBlue}};
    // The brush cannot be made, so the rectangle keeps the default white brush.
    QTest::newRow("EMF object index past the cap")
        << emf(kClear, {e(ECreateBrush, 0x7FFFFFF0, 0, kRed, 0), e(ESelectObject, 0x7FFFFFF0),
                        e(ERectangle, 0, 0, 100, 100)})
        << Probes{{50, 50, 0xFFFFFF}};
    // A colour of flags 1 is an index into the selected palette of red and blue.
    QTest::newRow("WMF palette colour")
        << wmf(kClear,
               {w(CreatePalette, words({0x300, 2}) + dwords({kRed, kBlue})), w(SelectPalette, 1),
                wmfBrush(0x01000001), w(SelectObject, 2), w(Rectangle, 100, 100, 0, 0)})
        << Probes{{50, 50, kBlue}};
    // A BS_PATTERN brush holds a DIB like the other pattern styles, in RGB whatever its usage.
    QTest::newRow("WMF pattern brush of a DIB")
        << wmf(kClear,
               {w(DibCreatePatternBrush, words({3, 1}) + dib(2, 1, 4, {kRed, kBlue}, {0, 1})),
                w(SelectObject, 1), w(Rectangle, 100, 100, 0, 0)})
        << Probes{{50, 50, kRed}, {51, 50, kBlue}};
}

// Clip rectangles, regions and paths; regions drawn.
void TestMetafile::clipping_data()
{
    addProbeColumns();
    // A region of the left half: as the clip it is in device pixels; filled, it is in logical
    // units, here moved right by the world transform.
    const Record moved = e(ESetWorldTransform, floats({1, 0, 0, 1, 50, 0}));
    const QByteArray region = dwords({32, 1, 1, 16, 0, 0, 50, 100, 0, 0, 50, 100});
    QTest::newRow("EMF clip region")
        << emf(kRed, {moved, e(EExtSelectClipRgn, dwords({region.size(), 5}) + region),
                      e(ERectangle, -50, 0, 50, 100)})
        << Probes{{25, 50, kRed}, {75, 50, kClear}};
    QTest::newRow("EMF region filled")
        << emf(kClear, {e(ECreateBrush, 2, 0, kBlue, 0), moved,
                        e(EFillRgn, dwords({0, 0, 0, 0, region.size(), 2}) + region)})
        << Probes{{75, 50, kBlue}, {25, 50, kClear}};
    QTest::newRow("EMF clip path")
        << emf(kBlue, {e(EBeginPath), e(EEllipse, 0, 0, 100, 100), e(EEndPath),
                       e(ESelectClipPath, 5), e(ERectangle, 0, 0, 50, 100)})
        << Probes{{25, 50, kBlue}, {3, 3, kClear}, {75, 50, kClear}};
    // A region object (slot 2) as the clip: the top half, scans of one rectangle.
    QTest::newRow("WMF clip region")
        << wmf(kGreen, {w(CreateRegion, 0, 6, 0, 0, 34, 1, 10, 0, 0, 100, 50, 2, 0, 50, 0, 100, 2),
                        w(SelectClipRegion, 2), w(Rectangle, 100, 100, 0, 0)})
        << Probes{{50, 25, kGreen}, {50, 75, kClear}};
    // A region object (slot 1) of logical units, 25 square, under a window of 50: it covers
    // 50 pixels; framed, one logical unit is two pixels.
    const Record square = w(CreateRegion, 0, 6, 0, 0, 34, 1, 10, 0, 0, 25, 25, 2, 0, 25, 0, 25, 2);
    QTest::newRow("WMF region filled in logical units")
        << wmf(kClear, {w(SetWindowExt, 50, 50), square, wmfBrush(kGreen), w(FillRegion, 1, 2)})
        << Probes{{45, 45, kGreen}, {55, 55, kClear}};
    QTest::newRow("WMF region framed one unit wide")
        << wmf(kClear,
               {w(SetWindowExt, 50, 50), square, wmfBrush(kGreen), w(FrameRegion, 1, 2, 1, 1)})
        << Probes{{1, 25, kGreen}, {3, 25, kClear}, {25, 48, kGreen}, {25, 45, kClear}};
    QTest::newRow("WMF region painted in logical units")
        << wmf(kGreen, {w(SetWindowExt, 50, 50), square, w(PaintRegion, 2)})
        << Probes{{45, 45, kGreen}, {55, 55, kClear}};
}

// Shapes and their edges, fill modes, paths, one-pixel and wide pens.
void TestMetafile::linesAndShapes_data()
{
    addProbeColumns();
    // An EMF plays in the advanced graphics mode: its rectangle fills to its edges (a WMF's
    // is a pixel short, as hm_sign_fills.wmf shows).
    QTest::newRow("EMF rectangle without a pen")
        << emf(kRed, {e(ERectangle, -10, -10, 1, 1)}) << Probes{{0, 0, kRed}, {1, 1, kClear}};
    // A path is drawn only by FillPath or StrokePath, not while it is recorded (the open line
    // at y 80 is not filled, the triangle is not stroked); a move starts a new figure.
    const auto path = [](const Record &end) {
        return emf(kRed, {e(ECreatePen, 3, 0, 10, 0, kBlue), e(ESelectObject, 3), e(EBeginPath),
                          e(EMoveTo, 0, 0), e(ELineTo, 100, 0), e(ELineTo, 0, 100), e(ECloseFigure),
                          e(EMoveTo, 60, 80), e(ELineTo, 100, 80), e(EEndPath), end});
    };
    QTest::newRow("EMF path filled")
        << path(e(EFillPath, 0, 0, 100, 100)) << Probes{{20, 20, kRed}, {80, 80, kClear}};
    QTest::newRow("EMF path stroked")
        << path(e(EStrokePath, 0, 0, 100, 100))
        << Probes{{50, 2, kBlue}, {20, 20, kClear}, {80, 80, kBlue}, {30, 40, kClear}};
    // A one-pixel line from far beyond the picture to far beyond it again: only its pixels
    // inside are drawn, on the row of its points, and its last pixel (x 60) is left out.
    QTest::newRow("EMF line across the picture")
        << emf(kClear, {e(ECreatePen, 3, 0, 0, 0, kBlue), e(ESelectObject, 3),
                        e(EMoveTo, -2'000'000'000, 50), e(ELineTo, 60, 50),
                        e(EMoveTo, 80, -2'000'000'000), e(ELineTo, 80, 2'000'000'000)})
        << Probes{{0, 50, kBlue},   {59, 50, kBlue}, {60, 50, kClear}, {30, 49, kClear},
                  {30, 51, kClear}, {80, 0, kBlue},  {80, 99, kBlue},  {81, 30, kClear}};
    QTest::newRow("EMF polypolyline of two-point lines")
        << emf(kClear, {e(ECreatePen, 3, 0, 0, 0, kBlue), e(ESelectObject, 3),
                        e(EPolyPolyline16, dwords({0, 0, 0, 0, 2, 4, 2, 2}) +
                                               words({10, 50, 90, 50, 30, 10, 30, 90}))})
        << Probes{{50, 50, kBlue}, {30, 40, kBlue}, {50, 51, kClear}};
    // A wide line from far outside is cut to the picture; an angle arc starts with a line from
    // the current position.
    QTest::newRow("EMF wide line from far outside")
        << emf(kClear, {e(ECreatePen, 3, 0, 10, 0, kBlue), e(ESelectObject, 3),
                        e(EMoveTo, -2'000'000'000, 50), e(ELineTo, 2'000'000'000, 50)})
        << Probes{{50, 50, kBlue}, {50, 40, kClear}};
    QTest::newRow("EMF angle arc")
        << emf(kClear, {e(ECreatePen, 3, 0, 0, 0, kBlue), e(ESelectObject, 3), e(EMoveTo, 90, 90),
                        e(EAngleArc, dwords({50, 50, 40}) + floats({0, 90}))})
        << Probes{{90, 70, kBlue}, {70, 70, kClear}};
    // Triangles of a gradient take the mean of their corners' colours: all red here.
    QTest::newRow("EMF gradient triangle")
        << emf(kClear, {e(EGradientFill, 0, 0, 100, 100, 3, 1, 2, 0, 0, 0xFF00, 0, 100, 0, 0xFF00,
                          0, 0, 100, 0xFF00, 0, 0, 1, 2)})
        << Probes{{20, 20, kRed}, {80, 80, kClear}};
    QTest::newRow("WMF PatBlt") << wmf(kBlue,
                                       {w(PatBlt, dwords({0x00F00021}) + words({50, 50, 0, 0})),
                                        w(PatBlt, dwords({0x42}) + words({50, 50, 50, 50}))})
                                << Probes{{25, 25, kBlue}, {75, 75, 0}, {75, 25, kClear}};
}

// Text and its fonts, advances and background.
void TestMetafile::text_data()
{
    addProbeColumns();
    // Text that updates the current position moves it by its width: four spaces, advances of 10,
    // from the text's header: bounds, mode, scales, reference, count, offset, options,
    // rectangle, offset of the advances.
    const auto spaces = [](int graphicsMode) {
        return e(EExtTextOutW, dwords({0, 0, 100, 100, graphicsMode}) + floats({1, 1}) +
                                   dwords({10, 10, 4, 76, 0, 0, 0, 50, 50, 84}) +
                                   words({' ', ' ', ' ', ' '}) + dwords({10, 10, 10, 10}));
    };
    QTest::newRow("EMF text moves the current position")
        << emf(kClear, {e(ECreatePen, 3, 0, 10, 0, kRed), e(ESelectObject, 3), e(ESetBkMode, 1),
                        e(ESetTextAlign, 1), e(EMoveTo, 0, 80), spaces(1), e(ELineTo, 100, 80)})
        << Probes{{20, 80, kClear}, {70, 80, kRed}};
    // The spaces' white background from (50, 50) under a quarter turn: upright in the
    // compatible graphics mode, turned down the page in the advanced one.
    for (const int mode : {1, 2})
        QTest::addRow("EMF text in graphics mode %d", mode)
            << emf(kClear, {e(ESetWorldTransform, floats({0, 1, -1, 0, 60, 40})), spaces(mode)})
            << Probes{{80, 55, mode == 1 ? 0xFFFFFF : kClear},
                      {45, 80, mode == 2 ? 0xFFFFFF : kClear}};
    // Sixty texts, each in a font of its own: past a playback's few fonts no more are looked for,
    // so finding them leaves the square after them its share of the work.
    QList<Record> fontFlood;
    for (int i = 0; i < 60; ++i)
        fontFlood << e(ECreateFont, dwords({3, -10 - i, 0, 0, 0, 400, 0, 0}) + QByteArray(64, 0))
                  << e(ESelectObject, 3) << spaces(1) << e(EDeleteObject, 3);
    QTest::newRow("EMF square after texts in sixty fonts")
        << emf(kRed, fontFlood << e(ERectangle, 50, 50, 100, 100)) << Probes{{75, 75, kRed}};
    // The Symbol font's bracket piece 0xEA (0xF0EA in a wide string): a bar down its cell's left.
    const Probes bar = {{33, 15, 0}, {33, 85, 0}};
    QTest::newRow("WMF text in the Symbol face")
        << wmf(kClear, {w(CreateFont, words({-100, 0, 0, 0, 400, 0, 0, 0, 0}) + "Symbol"),
                        w(SelectObject, 1), w(ExtTextOut, 0, 20, 1, 0, 0xEA)})
        << bar;
    QTest::newRow("EMF wide text in the symbol character set")
        << emf(kClear, {e(ECreateFont, 3, -100, 0, 0, 0, 400, 0x02000000, 0), e(ESelectObject, 3),
                        e(EExtTextOutW, dwords({0, 0, 100, 100, 1}) + floats({1, 1}) +
                                            dwords({20, 0, 1, 76, 0, 0, 0, 100, 100, 0, 0xF0EA}))})
        << bar;
    // The opaque option fills its rectangle with the background colour even without text.
    QTest::newRow("WMF opaque text background")
        << wmf(kClear, {w(SetBkColor, dwords({kGreen})), w(ExtTextOut, 0, 0, 0, 2, 20, 20, 80, 80)})
        << Probes{{50, 50, kGreen}, {10, 10, kClear}};
}

// Bitmaps of every bit count, either way up, combined with what is drawn, and their caps.
void TestMetafile::bitmaps_data()
{
    addProbeColumns();
    // A 2 × 2 bitmap, red and blue over green and blue (1-bit: red and blue only), stretched
    // over the whole picture by a WMF and by an EMF.
    for (const int bits : {1, 4, 8, 24, 32}) {
        const auto table = bits == 1 ? QList<uint32_t>{kRed, kBlue} : QList{kRed, kBlue, kGreen};
        QList<uint32_t> pixels = {0, 1, uint32_t(table.size() - 1), 1};
        const int info = 40 + (bits <= 8 ? int(table.size()) * 4 : 0);
        if (bits > 8)
            for (uint32_t &p : pixels)
                p = table[p];
        const QByteArray b = dib(2, 2, bits, bits > 8 ? QList<uint32_t>{} : table, pixels);
        const Probes probes = {{25, 25, kRed}, {75, 25, kBlue}, {25, 75, table.last()}};
        QTest::addRow("WMF %d-bit bitmap", bits)
            << wmf(kClear, {wmfStretch(0x00CC0020, 2, 2, b)}) << probes;
        const QByteArray fields = dwords({0, 0, 100, 100, 0, 0, 0, 0, 2, 2, 80, info, 80 + info,
                                          b.size() - info, 0, 0x00CC0020, 100, 100});
        QTest::addRow("EMF %d-bit bitmap", bits)
            << emf(kClear, {e(EStretchDiBits, fields + b)}) << probes;
    }
    // A negative height stores the rows from the top, where the source's rows count from:
    // the top row (red and blue) of the same picture stretched over the whole.
    QByteArray topDown = dib(2, 2, 24, {}, {kGreen, kBlue, kRed, kBlue});
    topDown.replace(8, 4, dwords({-2}));
    QTest::newRow("EMF top row of a top-down bitmap")
        << emf(kClear, {e(EStretchDiBits, dwords({0, 0, 100, 100, 0, 0, 0, 0, 2, 1, 80, 40, 120,
                                                  topDown.size() - 40, 0, 0x00CC0020, 100, 100}) +
                                              topDown)})
        << Probes{{25, 25, kRed}, {75, 25, kBlue}, {25, 75, kRed}};
    // An operation that reads the destination combines with what is drawn, and with the
    // white the picture is shown on where nothing is: black ORed leaves blue, red makes
    // magenta, and anything ORed with white is white.
    QTest::newRow("WMF bitmap ORed")
        << wmf(kBlue, {w(PatBlt, dwords({0x00F00021}) + words({50, 100, 0, 0})),
                       wmfStretch(0x00EE0086, 2, 1, dib(2, 1, 24, {}, {0, kRed}))})
        << Probes{{25, 25, kBlue}, {75, 25, kRed | kBlue}, {25, 75, 0xFFFFFF}, {75, 75, 0xFFFFFF}};
    // One row of grey pixels, the bottom one, which the 1 × 1 source takes.
    const auto stretchOf = [](int width, int height) {
        const QByteArray info = dwords({40, width, height}) + words({1, 24}) + QByteArray(24, 0);
        return wmf(kClear, {wmfStretch(0x00CC0020, 1, 1, info + QByteArray(width * 3, 0x40))});
    };
    // Caps: 4096 × 6144 is the 24 Mi pixel cap exactly; rows the file lacks stay transparent.
    QTest::newRow("bitmap at the pixel cap") << stretchOf(4096, 6144) << Probes{{50, 50, 0x404040}};
    QTest::newRow("bitmap one row past the cap")
        << stretchOf(4096, 6145) << Probes{{20, 20, kClear}};
    QTest::newRow("bitmap wider than the side cap")
        << stretchOf(40000, 1) << Probes{{20, 20, kClear}};
}

// Hostile input. The first record a playback skips: its name and why, where it starts in the
// file, and its type. Records passed over on purpose are no skip; the records after a skip still
// play, unless the playback's work runs out first.
void TestMetafile::firstSkip_data()
{
    addProbeColumns();
    QTest::addColumn<QString>("message");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("stoppedShort");
    // Where the records start: the end record (20 or 6 bytes) follows the preamble in a file
    // of none.
    const qint64 e0 = emf(kRed, {}).size() - 20, w0 = wmf(kRed, {}).size() - 6;
    const Record square = e(ERectangle, 50, 50, 100, 100);
    const Record wmfSquare = w(Rectangle, 100, 100, 50, 50);
    const Probes after = {{75, 75, kRed}}, quarter = {{25, 25, kRed}, {75, 75, kClear}};
    QTest::newRow("EMF polygon claiming more points than it holds")
        << emf(kRed, {e(EPolygon16, dwords({0, 0, 0, 0, 4}) + words({60, 60, 100, 60})), square})
        << after << "EMR_POLYGON16: points past the record" << e0 << int(EPolygon16) << false;
    QTest::newRow("WMF selects of bad object indices")
        << wmf(kRed, {w(SelectObject, 7), w(SelectObject, 8), wmfSquare}) << after
        << "META_SELECTOBJECT: bad object index" << w0 << int(SelectObject) << false;
    QTest::newRow("EMF record not played, after a comment")
        << emf(kRed, {e(EGdiComment, 0), e(EExtFloodFill, 0, 0, 0, 0), square}) << after
        << "EMR_EXTFLOODFILL: not played" << e0 + 12 << int(EExtFloodFill) << false;
    QByteArray sevenBits = dib(2, 2, 24, {}, {kRed, kRed, kRed, kRed});
    sevenBits.replace(14, 2, words({7}));
    QTest::newRow("WMF bitmap of 7 bits a pixel")
        << wmf(kRed, {wmfStretch(0x00CC0020, 2, 2, sevenBits), wmfSquare}) << after
        << "META_STRETCHDIB: unsupported bit count" << w0 << int(StretchDib) << false;
    QTest::newRow("WMF viewport, passed over") << wmf(kRed, {w(SetViewportExt, 10, 10), wmfSquare})
                                               << after << QString() << qint64(-1) << 0 << false;
    QTest::newRow("EMF record of size 0 ends the playback")
        << emf(kRed, {e(ERectangle, 0, 0, 50, 50), square}).insert(e0 + 24, dwords({ERectangle, 0}))
        << quarter << "EMR_RECTANGLE: size out of range" << e0 + 24 << int(ERectangle) << false;
    QTest::newRow("WMF record of size 0 ends the playback")
        << wmf(kRed, {w(Rectangle, 50, 50, 0, 0), raw(dwords({0}) + words({Rectangle})), wmfSquare})
        << quarter << "META_RECTANGLE: size out of range" << w0 + 14 << int(Rectangle) << false;
    // Past its work budget a playback stops and keeps what it drew: a zigzag of 100,000 points
    // over 90 rows spends it between a red square (a gradient of red to red) and a blue one.
    QByteArray points = dwords({0, 0, 0, 0, 100'000});
    for (int i = 0; i < 100'000; ++i)
        points += words({i % 100, i % 2 * 90});
    QTest::newRow("work budget") << emf(kRed,
                                        {e(EGradientFill, 0, 0, 50, 50, 2, 1, 0, 0, 0, 0xFF00, 0,
                                           50, 50, 0xFF00, 0, 0, 1),
                                         e(EPolygon16, points), e(ECreateBrush, 3, 0, kBlue, 0),
                                         e(ESelectObject, 3), e(ERectangle, 50, 50, 100, 100)})
                                 << Probes{{25, 25, kRed}, {75, 95, kClear}} << QString()
                                 << qint64(-1) << 0 << true;
    // Glyphs cost what they cover, as shapes do: a thousand giant ones on one spot leave the
    // square after them no share of the work.
    QByteArray giants = dwords({0, 0, 100, 100, 1}) + floats({1, 1}) +
                        dwords({0, 90, 1000, 76, 0, 0, 0, 100, 100, 76 + 2000});
    for (int i = 0; i < 1000; ++i)
        giants += words({'W'});
    giants += QByteArray(4000, '\0'); // every advance 0
    QTest::newRow("EMF square after a thousand giant glyphs")
        << emf(kRed,
               {e(ECreateFont, dwords({3, -4000, 0, 0, 0, 400, 0, 0}) + QByteArray(64, 0)),
                e(ESelectObject, 3), e(EExtTextOutW, giants), e(ERectangle, 50, 50, 100, 100)})
        << Probes{{75, 75, kClear}} << QString() << qint64(-1) << 0 << true;
}

void TestMetafile::firstSkip()
{
    QFETCH(QString, message);
    QFETCH(qint64, offset);
    QFETCH(int, code);
    QFETCH(bool, stoppedShort);
    Playback played;
    verifyDrawn(&played);
    if (QTest::currentTestFailed())
        return;
    const Error skip = played.firstSkip.value_or(Error{});
    QCOMPARE(skip.message, message);
    QCOMPARE(skip.offset, offset);
    QCOMPARE(skip.code, code);
    QCOMPARE(played.stoppedShort, stoppedShort);
}

void TestMetafile::matchesReference_data()
{
    QTest::addColumn<QString>("name");
    const QStringList files =
        QDir(kFolder).entryList({QStringLiteral("*.wmf"), QStringLiteral("*.emf")});
    QVERIFY(files.size() >= 30);
    for (const QString &name : files)
        QTest::newRow(qPrintable(name)) << name;
}

void TestMetafile::matchesReference()
{
    QFETCH(QString, name);
    QFile file(kFolder + u'/' + name);
    const auto mf = Metafile::fromData(file.open(QIODevice::ReadOnly) ? file.readAll() : "");
    QVERIFY2(mf, "not a picture");
    const QImage reference(kFolder + QStringLiteral("/gdi/") + name + QStringLiteral(".png"));
    QVERIFY2(!reference.isNull(), "no reference rendering");
    const QImage actual = mf->toImage(reference.size());
    const double difference = picturediff::difference(actual, reference);
    const double allowed = tolerance(name);
    if (difference > allowed)
        actual.save(QDir::temp().filePath(name + QStringLiteral(".actual.png")));
    QVERIFY2(difference <= allowed,
             qPrintable(QString::asprintf("%.3f differ, tolerance %g", difference, allowed)));
}

// 8-bit text in the code page of its font's character set; advances follow characters.
void TestMetafile::decodesCodePages_data()
{
    QTest::addColumn<int>("charset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<double>>("advances");
    QTest::newRow("CP936, single bytes around a double one")
        << 134
        << QByteArray("A\xD6\xD0"
                      "B")
        << QStringLiteral("A中B") << QList<double>{1, 5, 4};
    QTest::newRow("CP932") << 128
                           << QByteArray("\x82\xA0"
                                         "a")
                           << QStringLiteral("あa") << QList<double>{3, 3};
    QTest::newRow("CP1252") << 0 << QByteArray("\x80") << QStringLiteral("€") << QList<double>{1};
    QTest::newRow("Symbol") << 2 << QByteArray("a\xA5") << QStringLiteral("α∞")
                            << QList<double>{1, 2};
}

void TestMetafile::decodesCodePages()
{
    QFETCH(int, charset);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QList<double>, advances);
    metafile::Font font;
    font.charset = uint8_t(charset);
    QList<double> byteAdvances;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        byteAdvances.append(double(i + 1));
    const metafile::DecodedText decoded = metafile::decodeAnsi(bytes, font, byteAdvances);
    QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.advances, advances);
}

// Regions as files give them: GDI's banded rectangles taken as they are, loose ones united, and
// offset strips, whose union grows as the square of their count, refused before it is built.
void TestMetafile::regions()
{
    const auto emfRegion = [](const QList<QRect> &rects) {
        QByteArray bytes = dwords({32, 1, rects.size(), rects.size() * 16, 0, 0, 0, 0});
        for (const QRect &r : rects)
            bytes += dwords({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
        return bytes;
    };
    QList<QRect> banded;
    for (int i = 0; i < 20'000; ++i)
        banded.append(QRect((i % 100) * 3, (i / 100) * 2, 2, 1));
    QCOMPARE(metafile::readEmfRegion(emfRegion(banded))->rectCount(), 20'000);
    const QList<QRect> loose{QRect(0, 0, 10, 10), QRect(5, 5, 10, 10)};
    QCOMPARE(*metafile::readEmfRegion(emfRegion(loose)),
             QRegion(loose[0]).united(QRegion(loose[1])));
    QList<QRect> strips;
    for (int i = 0; i < 3'000; ++i)
        strips.append(QRect(2 * i, i, 1, 3'000));
    const auto refused = metafile::readEmfRegion(emfRegion(strips));
    QVERIFY(!refused);
    QVERIFY(refused.error().message.contains(QStringLiteral("too many bands")));
}

QTEST_MAIN(TestMetafile)
#include "tst_metafile.moc"
