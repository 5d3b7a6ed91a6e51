// The WMF and EMF player through its public face: recognition, natural size, drawn pixels.
#include "platform/cp932.h"
#include "platform/metafile/metafile.h"
#include "support/metafilebuilder.h"

#include <QtTest>

using metafile::Metafile;
using namespace mfbytes;

namespace {

// Record functions of the Windows metafile format.
constexpr uint16_t SaveDc = 0x001E, SetBkMode = 0x0102, SetMapMode = 0x0103,
                   SetPolyFillMode = 0x0106, RestoreDc = 0x0127, SelectClipRegion = 0x012C,
                   SelectObject = 0x012D, DeleteObject = 0x01F0, SetBkColor = 0x0201,
                   SetTextColor = 0x0209, SetWindowOrg = 0x020B, SetWindowExt = 0x020C,
                   LineTo = 0x0213, SelectPalette = 0x0234, CreatePalette = 0x00F7,
                   CreatePen = 0x02FA, CreateFont = 0x02FB, CreateBrush = 0x02FC, Polygon = 0x0324,
                   ExcludeClipRect = 0x0415, IntersectClipRect = 0x0416, Rectangle = 0x041B,
                   PolyPolygon = 0x0538, PatBlt = 0x061D, CreateRegion = 0x06FF, Pie = 0x081A,
                   ExtTextOut = 0x0A32, StretchDib = 0x0F43;

// Record types of the enhanced metafile format.
constexpr uint32_t ESetWindowExt = 9, ESetViewportExt = 11, ESetMapMode = 17, ESetBkMode = 18,
                   ESetTextAlign = 22, ESetTextColor = 24, EMoveTo = 27, ESaveDc = 33,
                   ERestoreDc = 34, ESetWorldTransform = 35, EModifyWorldTransform = 36,
                   ESelectObject = 37, ECreatePen = 38, ECreateBrush = 39, EEllipse = 42,
                   ERectangle = 43, ELineTo = 54, EBeginPath = 59, EEndPath = 60, ECloseFigure = 61,
                   EFillPath = 62, EStrokePath = 64, ESelectClipPath = 67, EFillRgn = 71,
                   EExtSelectClipRgn = 75, EStretchDiBits = 81, EExtCreateFont = 82,
                   EExtTextOutW = 84, EPolygon16 = 86, EGradientFill = 118;

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00;
constexpr int64_t kClear = -1;

// One pixel of a rendering and the colour (0x00BBGGRR) it must have, or kClear.
struct Probe
{
    int x, y;
    int64_t color;
};
using Probes = QList<Probe>;

QByteArray wmfBrush(uint32_t color)
{
    return words({0}) + dwords({color}) + words({0});
}

// A placeable WMF of 100 × 100 logical units at 96 per inch, a null pen in slot 0 and, unless
// kClear, a solid brush of `color` selected from slot 1.
WmfBuilder square(int64_t color = kClear)
{
    WmfBuilder b;
    b.placeable(QRect(0, 0, 100, 100), 96);
    b.record(CreatePen, words({5, 0, 0, 0, 0})).words(SelectObject, {0});
    if (color != kClear)
        b.record(CreateBrush, wmfBrush(uint32_t(color))).words(SelectObject, {1});
    return b;
}

// 100 × 100 pixels at 96 dpi (2645.8 hundredths of a millimetre), a null pen in slot 1 and,
// unless kClear, a solid brush of `color` in slot 2.
EmfBuilder emfSquare(int64_t color = kClear)
{
    EmfBuilder b(QRect(QPoint(0, 0), QPoint(2646, 2646)));
    b.dwords(ECreatePen, {1, 5, 0, 0, 0}).dwords(ESelectObject, {1});
    if (color != kClear)
        b.dwords(ECreateBrush, {2, 0, color, 0}).dwords(ESelectObject, {2});
    return b;
}

QImage render(const QByteArray &bytes, QSize size = QSize(100, 100))
{
    const auto mf = Metafile::fromData(bytes);
    return mf ? mf->toImage(size) : QImage();
}

bool isColor(QRgb p, int64_t bgr)
{
    if (bgr == kClear)
        return qAlpha(p) == 0;
    const auto near = [](int a, int64_t b) { return std::abs(a - int(b & 0xFF)) < 8; };
    return qAlpha(p) > 250 && near(qRed(p), bgr) && near(qGreen(p), bgr >> 8) &&
           near(qBlue(p), bgr >> 16);
}

void verifyProbes(const QImage &image, const Probes &probes)
{
    QVERIFY(!image.isNull());
    for (const Probe &p : probes) {
        const QRgb got = image.pixel(p.x, p.y);
        QVERIFY2(isColor(got, p.color),
                 qPrintable(QStringLiteral("(%1, %2): argb %3").arg(p.x).arg(p.y).arg(got, 8, 16)));
    }
}

int countColor(const QImage &image, int64_t bgr)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += isColor(image.pixel(x, y), bgr);
    return n;
}

QByteArray emfFont(int index, int height, const QString &face)
{
    QByteArray name(64, '\0');
    for (int i = 0; i < face.size() && i < 31; ++i)
        name.replace(i * 2, 2, words({face[i].unicode()}));
    return dwords({index, height, 0, 0, 0, 400, 128 << 24, 0}) + name;
}

// Extended text out of UTF-16 `text` at (10, 10) with per-character advances of 10.
QByteArray emfTextOut(const QList<int> &text)
{
    const int n = int(text.size());
    QByteArray r = dwords({0, 0, 100, 100, 1}) + floats({1, 1});
    r.append(dwords({10, 10, n, 76, 0, 0, 0, 50, 50, 76 + 2 * n}));
    for (int c : text)
        put16(r, uint16_t(c));
    for (int i = 0; i < n; ++i)
        put32(r, 10);
    return r;
}

// A WMF StretchDIB of a DIB onto the whole square.
QByteArray wmfStretch(uint32_t rop, int width, int height, const QByteArray &dibBytes)
{
    return dwords({rop}) + words({0, height, width, 0, 0, 100, 100, 0, 0}) + dibBytes;
}

} // namespace

Q_DECLARE_METATYPE(Probes)

class TestMetafile : public QObject
{
    Q_OBJECT

private slots:
    void recognises_data();
    void recognises();
    void naturalSize_data();
    void naturalSize();
    void draws_data();
    void draws();
    void dibBitCounts_data();
    void dibBitCounts();
    void japaneseTextDraws();
    void drawsAtDevicePixelRatio();
    void capsHold_data();
    void capsHold();
    void workBudgetStopsPlayback();
};

void TestMetafile::recognises_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("playable");
    QTest::newRow("text") << QByteArray("just some text, not a picture at all") << false;
    QTest::newRow("placeable key only") << dwords({0x9AC6CDD7}) << false;
    QTest::newRow("placeable with empty frame")
        << WmfBuilder().placeable(QRect(10, 10, 0, 0), 96).words(Rectangle, {5, 5, 0, 0}).finish()
        << false;
    QTest::newRow("plain WMF drawing nothing") << WmfBuilder().finish() << false;
    QTest::newRow("plain WMF with a window")
        << WmfBuilder().words(SetWindowExt, {32, 52}).finish() << true;
    QTest::newRow("EMF") << emfSquare().finish() << true;
    QByteArray badSignature = emfSquare().finish();
    badSignature[40] = 'X';
    QTest::newRow("EMF with a bad signature") << badSignature << false;
    QByteArray hugeHeader = emfSquare().finish();
    hugeHeader[6] = char(0xFF);
    QTest::newRow("EMF header longer than the file") << hugeHeader << false;
}

void TestMetafile::recognises()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, playable);
    QCOMPARE(Metafile::fromData(bytes).has_value(), playable);
}

void TestMetafile::naturalSize_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    const auto emf = [](int left, int top, int right, int bottom) {
        return EmfBuilder(QRect(QPoint(left, top), QPoint(right, bottom))).finish();
    };
    // The frame includes its right and bottom edges.
    QTest::newRow("EMF frame of 25.4 × 12.7 mm") << emf(0, 0, 2539, 1269) << QSize(96, 48);
    QTest::newRow("EMF sign of 52 × 32 pixels") << emf(100, 100, 1475, 946) << QSize(52, 32);
    QTest::newRow("EMF larger than the cap") << emf(0, 0, 2'000'000'000, 2540) << QSize(16384, 96);
    QTest::newRow("placeable at 1440 per inch")
        << WmfBuilder().placeable(QRect(0, 0, 1440, 720), 1440).finish() << QSize(96, 48);
    QTest::newRow("placeable with a negative origin")
        << WmfBuilder().placeable(QRect(-100, -50, 200, 100), 96).finish() << QSize(200, 100);
    QTest::newRow("plain WMF with a y-up window")
        << WmfBuilder().words(SetWindowOrg, {0, 0}).words(SetWindowExt, {-32, 52}).finish()
        << QSize(52, 32);
    // Without a window the size is the bounds of what is drawn, a thin pen one pixel wide.
    QTest::newRow("plain WMF, bounds of drawing")
        << WmfBuilder().words(Rectangle, {30, 50, 10, 10}).finish() << QSize(40, 20);
}

void TestMetafile::naturalSize()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    const auto mf = Metafile::fromData(bytes);
    QVERIFY(mf);
    QCOMPARE(mf->naturalSize(), size);
}

void TestMetafile::draws_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Probes>("probes");

    QTest::newRow("WMF rectangle") << square(kRed).words(Rectangle, {80, 70, 20, 10}).finish()
                                   << Probes{{40, 50, kRed}, {5, 5, kClear}, {90, 90, kClear}};
    // A window of 1000 units from (1000, 1000) fills the frame: its right half is the image's.
    QTest::newRow("WMF window onto the frame") << square(kGreen)
                                                      .words(SetMapMode, {8})
                                                      .words(SetWindowOrg, {1000, 1000})
                                                      .words(SetWindowExt, {1000, 1000})
                                                      .words(Rectangle, {2000, 2000, 1000, 1500})
                                                      .finish()
                                               << Probes{{75, 50, kGreen}, {25, 50, kClear}};
    // Units of 0.1 mm with y upwards: (25, -25) is 2.5 mm right and down, 9.4 pixels.
    QTest::newRow("EMF low metric")
        << emfSquare(kRed).dwords(ESetMapMode, {2}).dwords(ERectangle, {25, -25, 51, -51}).finish()
        << Probes{{14, 14, kRed}, {5, 5, kClear}, {25, 25, kClear}};
    // A window of 10 × 10 on a viewport of 100 × 50; isotropic keeps 5 × 5 pixel units.
    for (const int mode : {7, 8}) {
        QTest::addRow("EMF %s", mode == 7 ? "isotropic" : "anisotropic")
            << emfSquare(kRed)
                   .dwords(ESetMapMode, {mode})
                   .dwords(ESetWindowExt, {10, 10})
                   .dwords(ESetViewportExt, {100, 50})
                   .dwords(ERectangle, {0, 0, 5, 10})
                   .finish()
            << Probes{{12, 25, kRed}, {37, 25, mode == 7 ? kClear : kRed}, {12, 75, kClear}};
    }
    // Moved by 50, then scaled by a half on the left: x from 50 to 70.
    QTest::newRow("EMF world transform")
        << emfSquare(kRed)
               .record(ESetWorldTransform, floats({1, 0, 0, 1, 50, 0}))
               .record(EModifyWorldTransform, floats({0.5f, 0, 0, 1, 0, 0}) + dwords({2}))
               .dwords(ERectangle, {0, 0, 40, 40})
               .finish()
        << Probes{{60, 20, kRed}, {45, 20, kClear}, {80, 20, kClear}};
    // A negative level counts back from the last save; a positive one is the level itself,
    // the first save being 1. Levels not saved, and 0, change nothing.
    QTest::newRow("EMF save and restore")
        << emfSquare(kRed)
               .dwords(ERestoreDc, {0})
               .dwords(ECreateBrush, {3, 0, kBlue, 0})
               .dwords(ECreateBrush, {4, 0, kGreen, 0})
               .dwords(ESaveDc, {})
               .dwords(ESelectObject, {3})
               .dwords(ESaveDc, {})
               .dwords(ESelectObject, {4})
               .dwords(ESaveDc, {})
               .dwords(ERestoreDc, {-5})
               .dwords(ERestoreDc, {4})
               .dwords(ERectangle, {0, 0, 50, 50})
               .dwords(ERestoreDc, {2})
               .dwords(ERectangle, {50, 0, 100, 50})
               .dwords(ERestoreDc, {1})
               .dwords(ERectangle, {0, 50, 50, 100})
               .dwords(ERestoreDc, {-1})
               .dwords(ERestoreDc, {0})
               .dwords(ERectangle, {50, 50, 100, 100})
               .finish()
        << Probes{{25, 25, kGreen}, {75, 25, kBlue}, {25, 75, kRed}, {75, 75, kRed}};
    QTest::newRow("WMF save and restore") << square(kRed)
                                                 .words(SaveDc, {})
                                                 .record(CreateBrush, wmfBrush(kBlue))
                                                 .words(SelectObject, {2})
                                                 .words(Rectangle, {50, 50, 0, 0})
                                                 .words(RestoreDc, {-1})
                                                 .words(Rectangle, {100, 100, 50, 50})
                                                 .finish()
                                          << Probes{{25, 25, kBlue}, {75, 75, kRed}};
    // Brushes take slots 1 and 2; deleting 1 makes the next brush take slot 1.
    QTest::newRow("WMF deleted slot reused") << square(kRed)
                                                    .record(CreateBrush, wmfBrush(kBlue))
                                                    .words(DeleteObject, {1})
                                                    .record(CreateBrush, wmfBrush(kGreen))
                                                    .words(SelectObject, {1})
                                                    .words(Rectangle, {50, 50, 0, 0})
                                                    .words(SelectObject, {2})
                                                    .words(Rectangle, {100, 100, 50, 50})
                                                    .finish()
                                             << Probes{{25, 25, kGreen}, {75, 75, kBlue}};
    // A colour of flags 1 is an index into the selected palette of red and blue.
    QTest::newRow("WMF palette colour")
        << square()
               .record(CreatePalette, words({0x300, 2}) + dwords({0x0000FF, 0xFF0000}))
               .words(SelectPalette, {1})
               .record(CreateBrush, wmfBrush(0x01000001))
               .words(SelectObject, {2})
               .words(Rectangle, {100, 100, 0, 0})
               .finish()
        << Probes{{50, 50, kBlue}};
    // Two nested squares drawn the same way round: alternate leaves a hole, winding fills.
    const QByteArray nested =
        words({2, 4, 4, 0, 0, 100, 0, 100, 100, 0, 100, 30, 30, 70, 30, 70, 70, 30, 70});
    for (const int mode : {1, 2}) {
        QTest::addRow("WMF fill mode %d", mode)
            << square(kRed).words(SetPolyFillMode, {mode}).record(PolyPolygon, nested).finish()
            << Probes{{10, 10, kRed}, {50, 50, mode == 2 ? kRed : kClear}};
    }
    QTest::newRow("WMF clip rectangles")
        << square(kRed)
               .words(IntersectClipRect, {80, 80, 20, 20})
               .words(ExcludeClipRect, {60, 60, 40, 40})
               .words(Rectangle, {100, 100, 0, 0})
               .finish()
        << Probes{{30, 30, kRed}, {10, 10, kClear}, {90, 50, kClear}, {50, 50, kClear}};
    // An EMF region of the left half: as the clip it is in device pixels; filled, it is in
    // logical units, here moved right by the world transform.
    const QByteArray region = dwords({32, 1, 1, 16, 0, 0, 50, 100, 0, 0, 50, 100});
    QTest::newRow("EMF clip region")
        << emfSquare(kRed)
               .record(ESetWorldTransform, floats({1, 0, 0, 1, 50, 0}))
               .record(EExtSelectClipRgn, dwords({region.size(), 5}) + region)
               .dwords(ERectangle, {-50, 0, 50, 100})
               .finish()
        << Probes{{25, 50, kRed}, {75, 50, kClear}};
    QTest::newRow("EMF region filled")
        << emfSquare()
               .dwords(ECreateBrush, {2, 0, kBlue, 0})
               .record(ESetWorldTransform, floats({1, 0, 0, 1, 50, 0}))
               .record(EFillRgn, dwords({0, 0, 0, 0, region.size(), 2}) + region)
               .finish()
        << Probes{{75, 50, kBlue}, {25, 50, kClear}};
    QTest::newRow("EMF clip path") << emfSquare(kBlue)
                                          .dwords(EBeginPath, {})
                                          .dwords(EEllipse, {0, 0, 100, 100})
                                          .dwords(EEndPath, {})
                                          .dwords(ESelectClipPath, {5})
                                          .dwords(ERectangle, {0, 0, 100, 100})
                                          .finish()
                                   << Probes{{50, 50, kBlue}, {3, 3, kClear}};
    // A region object (slot 2) as the clip: the top half, scans of one rectangle.
    QTest::newRow("WMF clip region")
        << square(kGreen)
               .record(CreateRegion,
                       words({0, 6, 0, 0, 34, 1, 10, 0, 0, 100, 50, 2, 0, 50, 0, 100, 2}))
               .words(SelectClipRegion, {2})
               .words(Rectangle, {100, 100, 0, 0})
               .finish()
        << Probes{{50, 25, kGreen}, {50, 75, kClear}};
    // A triangle as a path is drawn only at FillPath, not while it is recorded.
    EmfBuilder triangle = emfSquare(kRed);
    triangle.dwords(EBeginPath, {}).dwords(EMoveTo, {0, 0}).dwords(ELineTo, {100, 0});
    triangle.dwords(ELineTo, {0, 100}).dwords(ECloseFigure, {}).dwords(EEndPath, {});
    QTest::newRow("EMF path recorded") << triangle.finish() << Probes{{20, 20, kClear}};
    QTest::newRow("EMF path filled") << triangle.dwords(EFillPath, {0, 0, 100, 100}).finish()
                                     << Probes{{20, 20, kRed}, {80, 80, kClear}};
    // A move starts a new figure: the two strokes stay apart.
    QTest::newRow("EMF path stroked") << emfSquare()
                                             .dwords(ECreatePen, {3, 0, 10, 0, kBlue})
                                             .dwords(ESelectObject, {3})
                                             .dwords(EBeginPath, {})
                                             .dwords(EMoveTo, {0, 50})
                                             .dwords(ELineTo, {40, 50})
                                             .dwords(EMoveTo, {60, 50})
                                             .dwords(ELineTo, {100, 50})
                                             .dwords(EEndPath, {})
                                             .dwords(EStrokePath, {0, 0, 100, 100})
                                             .finish()
                                      << Probes{{20, 50, kBlue}, {80, 50, kBlue}, {50, 50, kClear}};
    // Text that updates the current position moves it by its width: four spaces of 10.
    QTest::newRow("EMF text moves the current position")
        << emfSquare()
               .dwords(ECreatePen, {3, 0, 10, 0, kRed})
               .dwords(ESelectObject, {3})
               .dwords(ESetBkMode, {1})
               .dwords(ESetTextAlign, {1})
               .dwords(EMoveTo, {0, 80})
               .record(EExtTextOutW, emfTextOut({' ', ' ', ' ', ' '}))
               .dwords(ELineTo, {100, 80})
               .finish()
        << Probes{{20, 80, kClear}, {70, 80, kRed}};
    // Triangles of a gradient take the mean of their corners' colours: all red here.
    QByteArray corners;
    for (const auto &[x, y] : {std::pair{0, 0}, {100, 0}, {0, 100}})
        corners += dwords({x, y, 0xFF00, 0});
    QTest::newRow("EMF gradient triangle")
        << emfSquare()
               .record(EGradientFill,
                       dwords({0, 0, 100, 100, 3, 1, 2}) + corners + dwords({0, 1, 2}))
               .finish()
        << Probes{{20, 20, kRed}, {80, 80, kClear}};
    // From the ray to the right, anticlockwise to the ray upwards: the top-right quarter.
    QTest::newRow("WMF pie") << square(kRed).words(Pie, {0, 50, 50, 100, 100, 100, 0, 0}).finish()
                             << Probes{{70, 30, kRed}, {30, 30, kClear}, {70, 70, kClear}};
    QTest::newRow("WMF PatBlt") << square(kBlue)
                                       .record(PatBlt, dwords({0x00F00021}) + words({50, 50, 0, 0}))
                                       .record(PatBlt, dwords({0x42}) + words({50, 50, 50, 50}))
                                       .finish()
                                << Probes{{25, 25, kBlue}, {75, 75, 0}, {75, 25, kClear}};
    // Under OR only black leaves the destination as it was; the darkest blue does not.
    QTest::newRow("WMF bitmap ORed")
        << square()
               .record(StretchDib, wmfStretch(0x00EE0086, 2, 1, dib(2, 1, 24, {}, {0, 1 << 16})))
               .finish()
        << Probes{{25, 50, kClear}, {75, 50, 0}};
    // The opaque option fills its rectangle with the background colour even without text.
    QTest::newRow("WMF opaque text background")
        << square()
               .record(SetBkColor, dwords({kGreen}))
               .record(ExtTextOut, words({0, 0, 0, 2, 20, 20, 80, 80}))
               .finish()
        << Probes{{50, 50, kGreen}, {10, 10, kClear}};

    // Bad records end the playback or are skipped; what was drawn before them stays.
    QTest::newRow("WMF record longer than the file")
        << square(kRed)
               .words(Rectangle, {50, 50, 0, 0})
               .raw(dwords({0x7FFFFFFF}) + words({Rectangle}))
               .finish()
        << Probes{{25, 25, kRed}};
    QTest::newRow("WMF record of size 0") << square(kRed)
                                                 .words(Rectangle, {50, 50, 0, 0})
                                                 .raw(dwords({0}) + words({Rectangle}))
                                                 .words(Rectangle, {100, 100, 50, 50})
                                                 .finish()
                                          << Probes{{25, 25, kRed}, {75, 75, kClear}};
    QByteArray shortRecord = emfSquare(kRed)
                                 .dwords(ERectangle, {0, 0, 50, 50})
                                 .dwords(ERectangle, {50, 50, 100, 100})
                                 .finish();
    shortRecord[shortRecord.lastIndexOf(dwords({ERectangle, 24})) + 4] = 4;
    QTest::newRow("EMF record shorter than its header")
        << shortRecord << Probes{{25, 25, kRed}, {75, 75, kClear}};
    QTest::newRow("EMF polygon claiming more points than it holds")
        << emfSquare(kRed)
               .record(EPolygon16, dwords({0, 0, 0, 0, 4}) + words({60, 60, 100, 60, 100, 100}))
               .finish()
        << Probes{{90, 70, kClear}};
}

void TestMetafile::draws()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Probes, probes);
    verifyProbes(render(bytes), probes);
}

void TestMetafile::dibBitCounts_data()
{
    QTest::addColumn<int>("bitCount");
    for (int bits : {1, 4, 8, 24, 32})
        QTest::addRow("%d-bit", bits) << bits;
}

// A 2 × 2 bitmap, red and blue over green and blue (1-bit: red and blue only), stretched over
// the whole picture by a WMF and by an EMF.
void TestMetafile::dibBitCounts()
{
    QFETCH(int, bitCount);
    const bool indexed = bitCount <= 8;
    const QList<uint32_t> table =
        bitCount == 1 ? QList<uint32_t>{kRed, kBlue} : QList<uint32_t>{kRed, kBlue, kGreen};
    QList<uint32_t> pixels = bitCount == 1 ? QList<uint32_t>{0, 1, 1, 0}
                             : indexed     ? QList<uint32_t>{0, 1, 2, 1}
                                           : QList<uint32_t>{kRed, kBlue, kGreen, kBlue};
    const QByteArray bits = dib(2, 2, bitCount, indexed ? table : QList<uint32_t>{}, pixels);
    const Probes probes = {{25, 25, kRed}, {75, 25, kBlue}, {25, 75, table.last()}};
    verifyProbes(render(square().record(StretchDib, wmfStretch(0x00CC0020, 2, 2, bits)).finish()),
                 probes);

    const int infoSize = 40 + (indexed ? int(table.size()) * 4 : 0);
    QByteArray record = dwords({0, 0, 100, 100, 0, 0, 0, 0, 2, 2, 80, infoSize, 80 + infoSize,
                                bits.size() - infoSize, 0, 0x00CC0020, 100, 100});
    verifyProbes(render(emfSquare().record(EStretchDiBits, record + bits).finish()), probes);
}

// "行先" in CP932 with a Japanese font, in the text colour, at the top left.
void TestMetafile::japaneseTextDraws()
{
    const QByteArray text = *cp932::encode(QStringLiteral("行先"));
    QByteArray face = *cp932::encode(QStringLiteral("ＭＳ ゴシック"));
    face.resize(32, '\0');
    const QImage wmf =
        render(square()
                   .record(CreateFont, words({-30, 0, 0, 0, 400, 0, 128 << 8, 0, 0}) + face)
                   .words(SelectObject, {1})
                   .words(SetBkMode, {1})
                   .record(SetTextColor, dwords({kRed}))
                   .record(ExtTextOut, words({10, 10, int(text.size()), 0}) + text)
                   .finish());
    QVERIFY2(countColor(wmf, kRed) > 40, qPrintable(QString::number(countColor(wmf, kRed))));
    verifyProbes(wmf, {{90, 90, kClear}, {5, 5, kClear}});

    const QImage emf =
        render(emfSquare()
                   .record(EExtCreateFont, emfFont(2, -30, QStringLiteral("MS Gothic")))
                   .dwords(ESelectObject, {2})
                   .dwords(ESetBkMode, {1})
                   .dwords(ESetTextColor, {kBlue})
                   .record(EExtTextOutW, emfTextOut({0x884C, 0x5148}))
                   .finish());
    QVERIFY2(countColor(emf, kBlue) > 40, qPrintable(QString::number(countColor(emf, kBlue))));
    verifyProbes(emf, {{90, 90, kClear}});
}

void TestMetafile::drawsAtDevicePixelRatio()
{
    const auto mf = Metafile::fromData(square(kRed).words(Rectangle, {50, 50, 0, 0}).finish());
    QVERIFY(mf);
    const QImage image = mf->toImage(mf->naturalSize(), 2);
    QCOMPARE(image.size(), QSize(200, 200));
    QCOMPARE(image.devicePixelRatio(), 2.0);
    verifyProbes(image, {{90, 90, kRed}, {110, 110, kClear}});
}

void TestMetafile::capsHold_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int64_t>("color");
    auto stretchOf = [](int width, int height) {
        // One row of grey pixels, the bottom one, which the 1 × 1 source takes.
        const QByteArray info =
            dwords({40, width, height}) + words({1, 24}) + dwords({0, 0, 0, 0, 0, 0});
        const QByteArray row(std::clamp(width, 1, 4096) * 3, char(0x40));
        return square().record(StretchDib, wmfStretch(0x00CC0020, 1, 1, info + row)).finish();
    };
    // 4096 × 6144 is the 24 Mi pixel cap exactly; rows the file lacks stay transparent.
    QTest::newRow("bitmap at the pixel cap") << stretchOf(4096, 6144) << int64_t(0x404040);
    QTest::newRow("bitmap one row past the cap") << stretchOf(4096, 6145) << kClear;
    QTest::newRow("bitmap wider than the side cap") << stretchOf(40000, 1) << kClear;
    QTest::newRow("bitmap of negative width") << stretchOf(-5, 1) << kClear;
    WmfBuilder saves = square();
    for (int i = 0; i < 2000; ++i)
        saves.words(SaveDc, {});
    saves.record(CreateBrush, wmfBrush(kRed)).words(SelectObject, {1});
    QTest::newRow("saves past the depth cap")
        << saves.words(Rectangle, {100, 100, 0, 0}).finish() << int64_t(kRed);
    QTest::newRow("select past the object table")
        << square().words(SelectObject, {65535}).words(DeleteObject, {65535}).finish() << kClear;
    QTest::newRow("poly-polygon claiming more points than it holds")
        << square(kRed).record(PolyPolygon, words({1, 65535, 0, 0, 100, 100})).finish() << kClear;
    QTest::newRow("polygon with a negative count")
        << square(kRed).record(Polygon, words({-3, 0, 0, 100, 0, 0, 100})).finish() << kClear;
    QTest::newRow("EMF polygon of 2^31 points")
        << emfSquare(kRed).record(EPolygon16, dwords({0, 0, 0, 0, 0x7FFFFFFF})).finish() << kClear;
    // The brush cannot be made, so the rectangle keeps the default white brush.
    QTest::newRow("EMF object index past the cap")
        << emfSquare()
               .dwords(ECreateBrush, {0x7FFFFFF0, 0, kRed, 0})
               .dwords(ESelectObject, {0x7FFFFFF0})
               .dwords(ERectangle, {0, 0, 100, 100})
               .finish()
        << int64_t(0xFFFFFF);
}

// Whatever the rows ask for, the picture is one colour or clear.
void TestMetafile::capsHold()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int64_t, color);
    QCOMPARE(countColor(render(bytes, QSize(10, 10)), color), 100);
}

// Past its work budget a playback stops and keeps what it drew: a zigzag of 100,000 points
// over 90 rows spends it between a red square and a blue one.
void TestMetafile::workBudgetStopsPlayback()
{
    QByteArray points;
    for (int i = 0; i < 100'000; ++i)
        points += words({i % 100, i % 2 * 90});
    const QImage image = render(emfSquare(kRed)
                                    .dwords(ERectangle, {0, 0, 50, 50})
                                    .record(EPolygon16, dwords({0, 0, 0, 0, 100'000}) + points)
                                    .dwords(ECreateBrush, {3, 0, kBlue, 0})
                                    .dwords(ESelectObject, {3})
                                    .dwords(ERectangle, {50, 50, 100, 100})
                                    .finish());
    QVERIFY(countColor(image, kRed) > 0);
    QCOMPARE(countColor(image, kBlue), 0);
}

QTEST_MAIN(TestMetafile)
#include "tst_metafile.moc"
