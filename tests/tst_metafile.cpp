// The WMF and EMF player: recognition, natural size, drawing records and bad input.
#include "metafilebuilder.h"
#include "platform/cp932.h"
#include "platform/metafile/metafile.h"

#include <QGuiApplication>
#include <QPainter>
#include <QtTest>

using metafile::Metafile;
using namespace mfbytes;

namespace {

// Record functions of the Windows metafile format.
enum Wmf : uint16_t
{
    SetBkMode = 0x0102,
    SetMapMode = 0x0103,
    SetPolyFillMode = 0x0106,
    SetTextAlign = 0x012E,
    RestoreDc = 0x0127,
    SelectClipRegion = 0x012C,
    SelectObject = 0x012D,
    DeleteObject = 0x01F0,
    SetBkColor = 0x0201,
    SetTextColor = 0x0209,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    CreatePen = 0x02FA,
    CreateFont = 0x02FB,
    CreateBrush = 0x02FC,
    Polygon = 0x0324,
    IntersectClipRect = 0x0416,
    ExcludeClipRect = 0x0415,
    Ellipse = 0x0418,
    Rectangle = 0x041B,
    PolyPolygon = 0x0538,
    PatBlt = 0x061D,
    CreateRegion = 0x06FF,
    ExtTextOut = 0x0A32,
    StretchDib = 0x0F43,
    SaveDc = 0x001E,
    Pie = 0x081A,
};

// Record types of the enhanced metafile format.
enum Emf : uint32_t
{
    EPolygon16 = 86,
    ESetWindowExt = 9,
    ESetWindowOrg = 10,
    ESetViewportExt = 11,
    ESetMapMode = 17,
    ESetBkMode = 18,
    ESaveDc = 33,
    ERestoreDc = 34,
    ESetWorldTransform = 35,
    EModifyWorldTransform = 36,
    ESelectObject = 37,
    ECreatePen = 38,
    ECreateBrush = 39,
    ERectangle = 43,
    EBeginPath = 59,
    EEndPath = 60,
    EFillPath = 62,
    ESelectClipPath = 67,
    EExtSelectClipRgn = 75,
    EStretchDiBits = 81,
    EExtCreateFont = 82,
    EExtTextOutW = 84,
    EIntersectClipRect = 30,
    EEllipse = 42,
    EMoveTo = 27,
    ELineTo = 54,
    ECloseFigure = 61,
};

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00;

QByteArray wmfBrush(uint32_t color)
{
    QByteArray p = words({0});
    put32(p, color);
    p.append(words({0}));
    return p;
}

// A placeable WMF of 100 × 100 logical units at 96 per inch, with a null pen in slot 0.
WmfBuilder square()
{
    WmfBuilder b;
    b.placeable(QRect(0, 0, 100, 100), 96);
    b.record(CreatePen, words({5, 0, 0, 0, 0})).words(SelectObject, {0});
    return b;
}

EmfBuilder emfSquare()
{
    // 100 × 100 pixels at 96 dpi: 2645.8 hundredths of a millimetre.
    EmfBuilder b(QRect(QPoint(0, 0), QPoint(2646, 2646)));
    b.dwords(ECreatePen, {1, 5, 0, 0, 0}).dwords(ESelectObject, {1});
    return b;
}

QImage render(const QByteArray &bytes, QSize size = QSize(100, 100))
{
    const auto mf = Metafile::fromData(bytes);
    if (!mf)
        return QImage();
    return mf->toImage(size);
}

QRgb pixel(const QImage &image, int x, int y)
{
    return image.pixel(x, y);
}

bool isColor(QRgb p, uint32_t bgr)
{
    const QColor want(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
    return qAlpha(p) > 250 && std::abs(qRed(p) - want.red()) < 8 &&
           std::abs(qGreen(p) - want.green()) < 8 && std::abs(qBlue(p) - want.blue()) < 8;
}

bool isClear(QRgb p)
{
    return qAlpha(p) == 0;
}

QString describe(QRgb p)
{
    return QStringLiteral("argb %1").arg(p, 8, 16, QLatin1Char('0'));
}

#define VERIFY_COLOR(image, x, y, bgr)                                                             \
    QVERIFY2(isColor(pixel(image, x, y), bgr), qPrintable(describe(pixel(image, x, y))))
#define VERIFY_CLEAR(image, x, y)                                                                  \
    QVERIFY2(isClear(pixel(image, x, y)), qPrintable(describe(pixel(image, x, y))))

int countColor(const QImage &image, uint32_t bgr)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += isColor(image.pixel(x, y), bgr);
    return n;
}

QByteArray emfFont(int index, int height, const QString &face, int charset = 128)
{
    QByteArray p = dwords({index, height, 0, 0, 0, 400});
    p.append(char(0)).append(char(0)).append(char(0)).append(char(charset));
    p.append(QByteArray(4, '\0'));
    QByteArray name(64, '\0');
    for (int i = 0; i < face.size() && i < 31; ++i) {
        name[i * 2] = char(face[i].unicode() & 0xFF);
        name[i * 2 + 1] = char(face[i].unicode() >> 8);
    }
    p.append(name);
    return p;
}

} // namespace

class TestMetafile : public QObject
{
    Q_OBJECT

private slots:
    void recognises_data();
    void recognises();
    void naturalSize_data();
    void naturalSize();

    void fillsRectangle();
    void windowMapsOntoFrame();
    void emfMappingModes();
    void worldTransformMovesDrawing();
    void saveAndRestoreBrush();
    void deletedSlotIsReused();
    void polyFillModes();
    void clipRectangles();
    void clipRegionAndPath();
    void emfPathFill();
    void pieIsAWedge();
    void patBltFillsWithBrush();
    void dibBitCounts_data();
    void dibBitCounts();
    void japaneseTextDraws();
    void opaqueTextBackground();
    void drawsAtDevicePixelRatio();

    void corruptRecordKeepsDrawing();
    void truncatedFilesNeverFail_data();
    void truncatedFilesNeverFail();
    void capsHold_data();
    void capsHold();
};

void TestMetafile::recognises_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("playable");
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("text") << QByteArray("just some text, not a picture at all") << false;
    QTest::newRow("bitmap") << QByteArray("BM\x36\0\0\0\0\0\0\0\x36\0\0\0", 16) << false;
    QTest::newRow("placeable key only") << dwords({0x9AC6CDD7}) << false;
    QTest::newRow("placeable with empty frame")
        << WmfBuilder().placeable(QRect(10, 10, 0, 0), 96).words(Rectangle, {5, 5, 0, 0}).finish()
        << false;
    QTest::newRow("plain WMF drawing nothing") << WmfBuilder().finish() << false;
    QTest::newRow("plain WMF with a window")
        << WmfBuilder().words(SetWindowExt, {32, 52}).finish() << true;
    QTest::newRow("placeable WMF") << square().finish() << true;
    QTest::newRow("EMF") << emfSquare().finish() << true;
    QByteArray badSignature = emfSquare().finish();
    badSignature[40] = 'X';
    QTest::newRow("EMF with a bad signature") << badSignature << false;
    QByteArray hugeHeader = emfSquare().finish();
    hugeHeader[4] = char(0xFF), hugeHeader[5] = char(0xFF), hugeHeader[6] = char(0xFF);
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
    // The frame includes its right and bottom edges.
    QTest::newRow("EMF frame of 25.4 × 12.7 mm")
        << EmfBuilder(QRect(QPoint(0, 0), QPoint(2539, 1269))).finish() << QSize(96, 48);
    QTest::newRow("EMF sign of 52 × 32 pixels")
        << EmfBuilder(QRect(QPoint(100, 100), QPoint(100 + 1375, 100 + 846))).finish()
        << QSize(52, 32);
    QTest::newRow("EMF frame rounding up")
        << EmfBuilder(QRect(QPoint(0, 0), QPoint(1309, 780))).finish() << QSize(50, 30);
    QTest::newRow("placeable at 1440 per inch")
        << WmfBuilder().placeable(QRect(0, 0, 1440, 720), 1440).finish() << QSize(96, 48);
    QTest::newRow("placeable with a negative origin")
        << WmfBuilder().placeable(QRect(-100, -50, 200, 100), 96).finish() << QSize(200, 100);
    QTest::newRow("plain WMF window extent")
        << WmfBuilder().words(SetWindowOrg, {0, 0}).words(SetWindowExt, {32, 52}).finish()
        << QSize(52, 32);
    QTest::newRow("plain WMF with a y-up window")
        << WmfBuilder().words(SetWindowExt, {-32, 52}).finish() << QSize(52, 32);
    QTest::newRow("plain WMF, bounds of drawing") << WmfBuilder()
                                                         .record(CreatePen, words({5, 0, 0, 0, 0}))
                                                         .words(SelectObject, {0})
                                                         .words(Rectangle, {30, 50, 10, 10})
                                                         .finish()
                                                  << QSize(40, 20);
    QTest::newRow("EMF larger than the cap")
        << EmfBuilder(QRect(QPoint(0, 0), QPoint(2'000'000'000, 2540))).finish()
        << QSize(16384, 96);
}

void TestMetafile::naturalSize()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    const auto mf = Metafile::fromData(bytes);
    QVERIFY(mf);
    QCOMPARE(mf->naturalSize(), size);
}

void TestMetafile::fillsRectangle()
{
    const QImage wmf = render(square()
                                  .record(CreateBrush, wmfBrush(kRed))
                                  .words(SelectObject, {1})
                                  .words(Rectangle, {80, 70, 20, 10})
                                  .finish());
    VERIFY_COLOR(wmf, 40, 50, kRed);
    VERIFY_CLEAR(wmf, 5, 5);
    VERIFY_CLEAR(wmf, 90, 90);
    const QImage emf = render(emfSquare()
                                  .dwords(ECreateBrush, {2, 0, kBlue, 0})
                                  .dwords(ESelectObject, {2})
                                  .dwords(ERectangle, {10, 20, 70, 80})
                                  .finish());
    VERIFY_COLOR(emf, 40, 50, kBlue);
    VERIFY_CLEAR(emf, 5, 5);
    VERIFY_CLEAR(emf, 90, 90);
}

void TestMetafile::windowMapsOntoFrame()
{
    // A window of 1000 × 1000 units from (1000, 1000) fills the 100-pixel frame: a rectangle
    // over its right half lands on the image's right half.
    const QImage image = render(square()
                                    .words(SetMapMode, {8})
                                    .words(SetWindowOrg, {1000, 1000})
                                    .words(SetWindowExt, {1000, 1000})
                                    .record(CreateBrush, wmfBrush(kGreen))
                                    .words(SelectObject, {1})
                                    .words(Rectangle, {2000, 2000, 1000, 1500})
                                    .finish());
    VERIFY_COLOR(image, 75, 50, kGreen);
    VERIFY_CLEAR(image, 25, 50);
}

void TestMetafile::emfMappingModes()
{
    // Low-metric units are 0.1 mm with y upwards: (25, -25) logical is 2.5 mm right and down,
    // 9.4 pixels.
    const QImage metric = render(emfSquare()
                                     .dwords(ESetMapMode, {2})
                                     .dwords(ECreateBrush, {2, 0, kRed, 0})
                                     .dwords(ESelectObject, {2})
                                     .dwords(ERectangle, {25, -25, 51, -51})
                                     .finish());
    VERIFY_COLOR(metric, 14, 14, kRed);
    VERIFY_CLEAR(metric, 5, 5);
    VERIFY_CLEAR(metric, 25, 25);
    // Anisotropic: a window of 10 × 10 on a viewport of 100 × 50 pixels.
    const QImage aniso = render(emfSquare()
                                    .dwords(ESetMapMode, {8})
                                    .dwords(ESetWindowExt, {10, 10})
                                    .dwords(ESetViewportExt, {100, 50})
                                    .dwords(ECreateBrush, {2, 0, kRed, 0})
                                    .dwords(ESelectObject, {2})
                                    .dwords(ERectangle, {0, 0, 5, 10})
                                    .finish());
    VERIFY_COLOR(aniso, 25, 25, kRed);
    VERIFY_CLEAR(aniso, 75, 25);
    VERIFY_CLEAR(aniso, 25, 75);
    // Isotropic keeps the units square: the same request gives 5 × 5 pixel units.
    const QImage iso = render(emfSquare()
                                  .dwords(ESetMapMode, {7})
                                  .dwords(ESetWindowExt, {10, 10})
                                  .dwords(ESetViewportExt, {100, 50})
                                  .dwords(ECreateBrush, {2, 0, kRed, 0})
                                  .dwords(ESelectObject, {2})
                                  .dwords(ERectangle, {0, 0, 10, 10})
                                  .finish());
    VERIFY_COLOR(iso, 25, 25, kRed);
    VERIFY_CLEAR(iso, 75, 25);
}

void TestMetafile::worldTransformMovesDrawing()
{
    QByteArray translate = floats({1, 0, 0, 1, 50, 0});
    QByteArray leftScale = floats({0.5f, 0, 0, 1, 0, 0});
    leftScale.append(dwords({2}));
    const QImage image = render(emfSquare()
                                    .record(ESetWorldTransform, translate)
                                    .record(EModifyWorldTransform, leftScale)
                                    .dwords(ECreateBrush, {2, 0, kRed, 0})
                                    .dwords(ESelectObject, {2})
                                    .dwords(ERectangle, {0, 0, 40, 40})
                                    .finish());
    // Scaled first, then moved: x from 50 to 70.
    VERIFY_COLOR(image, 60, 20, kRed);
    VERIFY_CLEAR(image, 45, 20);
    VERIFY_CLEAR(image, 80, 20);
}

void TestMetafile::saveAndRestoreBrush()
{
    const QImage image = render(emfSquare()
                                    .dwords(ECreateBrush, {2, 0, kRed, 0})
                                    .dwords(ECreateBrush, {3, 0, kBlue, 0})
                                    .dwords(ESelectObject, {2})
                                    .dwords(ESaveDc, {})
                                    .dwords(ESelectObject, {3})
                                    .dwords(ERectangle, {0, 0, 50, 50})
                                    .dwords(ERestoreDc, {-1})
                                    .dwords(ERectangle, {50, 50, 100, 100})
                                    .dwords(ERestoreDc, {-5})
                                    .dwords(ERectangle, {0, 50, 50, 100})
                                    .finish());
    VERIFY_COLOR(image, 25, 25, kBlue);
    VERIFY_COLOR(image, 75, 75, kRed);
    // Restoring more states than were saved changes nothing.
    VERIFY_COLOR(image, 25, 75, kRed);
}

void TestMetafile::deletedSlotIsReused()
{
    // Brushes take slots 1 and 2; deleting 1 makes the next brush take slot 1.
    const QImage image = render(square()
                                    .record(CreateBrush, wmfBrush(kRed))
                                    .record(CreateBrush, wmfBrush(kBlue))
                                    .words(DeleteObject, {1})
                                    .record(CreateBrush, wmfBrush(kGreen))
                                    .words(SelectObject, {1})
                                    .words(Rectangle, {50, 50, 0, 0})
                                    .words(SelectObject, {2})
                                    .words(Rectangle, {100, 100, 50, 50})
                                    .finish());
    VERIFY_COLOR(image, 25, 25, kGreen);
    VERIFY_COLOR(image, 75, 75, kBlue);
}

void TestMetafile::polyFillModes()
{
    // Two nested squares drawn the same way round: alternate leaves a hole, winding fills.
    auto picture = [](int mode) {
        QByteArray p = words({2, 4, 4});
        p.append(words({0, 0, 100, 0, 100, 100, 0, 100}));
        p.append(words({30, 30, 70, 30, 70, 70, 30, 70}));
        return render(square()
                          .words(SetPolyFillMode, {mode})
                          .record(CreateBrush, wmfBrush(kRed))
                          .words(SelectObject, {1})
                          .record(PolyPolygon, p)
                          .finish());
    };
    const QImage alternate = picture(1), winding = picture(2);
    VERIFY_COLOR(alternate, 10, 10, kRed);
    VERIFY_CLEAR(alternate, 50, 50);
    VERIFY_COLOR(winding, 50, 50, kRed);
}

void TestMetafile::clipRectangles()
{
    const QImage image = render(square()
                                    .words(IntersectClipRect, {80, 80, 20, 20})
                                    .words(ExcludeClipRect, {60, 60, 40, 40})
                                    .record(CreateBrush, wmfBrush(kRed))
                                    .words(SelectObject, {1})
                                    .words(Rectangle, {100, 100, 0, 0})
                                    .words(SaveDc, {})
                                    .words(RestoreDc, {-1})
                                    .finish());
    VERIFY_COLOR(image, 30, 30, kRed);
    VERIFY_CLEAR(image, 10, 10);
    VERIFY_CLEAR(image, 90, 50);
    VERIFY_CLEAR(image, 50, 50);
}

void TestMetafile::clipRegionAndPath()
{
    // An EMF clip region in device pixels: the left half.
    QByteArray region = dwords({32, 1, 1, 16, 0, 0, 50, 100, 0, 0, 50, 100});
    QByteArray select = dwords({uint32_t(region.size()), 5});
    select.append(region);
    const QImage byRegion = render(emfSquare()
                                       .record(EExtSelectClipRgn, select)
                                       .dwords(ECreateBrush, {2, 0, kRed, 0})
                                       .dwords(ESelectObject, {2})
                                       .dwords(ERectangle, {0, 0, 100, 100})
                                       .finish());
    VERIFY_COLOR(byRegion, 25, 50, kRed);
    VERIFY_CLEAR(byRegion, 75, 50);
    // A clip path: an ellipse; its centre draws, the corners do not.
    const QImage byPath = render(emfSquare()
                                     .dwords(EBeginPath, {})
                                     .dwords(EEllipse, {0, 0, 100, 100})
                                     .dwords(EEndPath, {})
                                     .dwords(ESelectClipPath, {5})
                                     .dwords(ECreateBrush, {2, 0, kBlue, 0})
                                     .dwords(ESelectObject, {2})
                                     .dwords(ERectangle, {0, 0, 100, 100})
                                     .finish());
    VERIFY_COLOR(byPath, 50, 50, kBlue);
    VERIFY_CLEAR(byPath, 3, 3);
    // A WMF region object selected as the clip: the top half, scans of one rectangle.
    QByteArray wmfRegion = words({0, 6});
    wmfRegion.append(dwords({0}));
    wmfRegion.append(words({34, 1, 10, 0, 0, 100, 50}));
    wmfRegion.append(words({2, 0, 50, 0, 100, 2}));
    const QImage byWmfRegion = render(square()
                                          .record(CreateRegion, wmfRegion)
                                          .words(SelectClipRegion, {1})
                                          .record(CreateBrush, wmfBrush(kGreen))
                                          .words(SelectObject, {2})
                                          .words(Rectangle, {100, 100, 0, 0})
                                          .finish());
    VERIFY_COLOR(byWmfRegion, 50, 25, kGreen);
    VERIFY_CLEAR(byWmfRegion, 50, 75);
}

void TestMetafile::emfPathFill()
{
    // A triangle as a path of lines, filled: drawn only at FillPath, not while recording.
    const QByteArray recorded = emfSquare()
                                    .dwords(ECreateBrush, {2, 0, kRed, 0})
                                    .dwords(ESelectObject, {2})
                                    .dwords(EBeginPath, {})
                                    .dwords(EMoveTo, {0, 0})
                                    .dwords(ELineTo, {100, 0})
                                    .dwords(ELineTo, {0, 100})
                                    .dwords(ECloseFigure, {})
                                    .dwords(EEndPath, {})
                                    .finish();
    QVERIFY(countColor(render(recorded), kRed) == 0);
    const QImage filled = render(emfSquare()
                                     .dwords(ECreateBrush, {2, 0, kRed, 0})
                                     .dwords(ESelectObject, {2})
                                     .dwords(EBeginPath, {})
                                     .dwords(EMoveTo, {0, 0})
                                     .dwords(ELineTo, {100, 0})
                                     .dwords(ELineTo, {0, 100})
                                     .dwords(ECloseFigure, {})
                                     .dwords(EEndPath, {})
                                     .dwords(EFillPath, {0, 0, 100, 100})
                                     .finish());
    VERIFY_COLOR(filled, 20, 20, kRed);
    VERIFY_CLEAR(filled, 80, 80);
}

void TestMetafile::pieIsAWedge()
{
    // From the ray to the right, anticlockwise to the ray upwards: the top-right quarter.
    const QImage image = render(square()
                                    .record(CreateBrush, wmfBrush(kRed))
                                    .words(SelectObject, {1})
                                    .words(Pie, {0, 50, 50, 100, 100, 100, 0, 0})
                                    .finish());
    VERIFY_COLOR(image, 70, 30, kRed);
    VERIFY_CLEAR(image, 30, 30);
    VERIFY_CLEAR(image, 70, 70);
    VERIFY_CLEAR(image, 30, 70);
}

void TestMetafile::patBltFillsWithBrush()
{
    QByteArray patcopy = dwords({0x00F00021});
    patcopy.append(words({50, 50, 0, 0}));
    QByteArray blackness = dwords({0x00000042});
    blackness.append(words({50, 50, 50, 50}));
    const QImage image = render(square()
                                    .record(CreateBrush, wmfBrush(kBlue))
                                    .words(SelectObject, {1})
                                    .record(PatBlt, patcopy)
                                    .record(PatBlt, blackness)
                                    .finish());
    VERIFY_COLOR(image, 25, 25, kBlue);
    VERIFY_COLOR(image, 75, 75, 0);
    VERIFY_CLEAR(image, 75, 25);
}

void TestMetafile::dibBitCounts_data()
{
    QTest::addColumn<int>("bitCount");
    QTest::newRow("1-bit") << 1;
    QTest::newRow("4-bit") << 4;
    QTest::newRow("8-bit") << 8;
    QTest::newRow("24-bit") << 24;
    QTest::newRow("32-bit") << 32;
}

void TestMetafile::dibBitCounts()
{
    // A 2 × 2 bitmap, red and blue over green and blue (1-bit: red and blue only), stretched
    // over the whole picture by a WMF and by an EMF.
    QFETCH(int, bitCount);
    const bool indexed = bitCount <= 8;
    const QList<uint32_t> table = {kRed, kBlue, kGreen};
    QList<uint32_t> pixels =
        indexed ? QList<uint32_t>{0, 1, 2, 1} : QList<uint32_t>{kRed, kBlue, kGreen, kBlue};
    if (bitCount == 1)
        pixels = {0, 1, 1, 0};
    const QByteArray bits = dib(
        2, 2, bitCount, indexed ? table.first(bitCount == 1 ? 2 : 3) : QList<uint32_t>{}, pixels);
    const uint32_t bottomLeft = bitCount == 1 ? kBlue : kGreen;

    QByteArray stretch = dwords({0x00CC0020});
    stretch.append(words({0, 2, 2, 0, 0, 100, 100, 0, 0}));
    stretch.append(bits);
    const QImage wmf = render(square().record(StretchDib, stretch).finish());
    VERIFY_COLOR(wmf, 25, 25, kRed);
    VERIFY_COLOR(wmf, 75, 25, kBlue);
    VERIFY_COLOR(wmf, 25, 75, bottomLeft);

    const int infoSize = 40 + (indexed ? (bitCount == 1 ? 2 : 3) * 4 : 0);
    QByteArray record = dwords({0, 0, 100, 100, 0, 0, 0, 0, 2, 2});
    record.append(
        dwords({80, infoSize, 80 + infoSize, bits.size() - infoSize, 0, 0x00CC0020, 100, 100}));
    record.append(bits);
    const QImage emf = render(emfSquare().record(EStretchDiBits, record).finish());
    VERIFY_COLOR(emf, 25, 25, kRed);
    VERIFY_COLOR(emf, 75, 25, kBlue);
    VERIFY_COLOR(emf, 25, 75, bottomLeft);
}

void TestMetafile::japaneseTextDraws()
{
    // "行先" in CP932 with a Japanese font, in the text colour, at the top left.
    const QByteArray text = *cp932::encode(QStringLiteral("行先"));
    QByteArray font = words({-30, 0, 0, 0, 400});
    font.append(char(0)).append(char(0)).append(char(0)).append(char(128));
    font.append(QByteArray(4, '\0'));
    QByteArray face = *cp932::encode(QStringLiteral("ＭＳ ゴシック"));
    face.resize(32, '\0');
    font.append(face);
    QByteArray out = words({10, 10, int(text.size()), 0});
    out.append(text);
    const QImage wmf = render(square()
                                  .record(CreateFont, font)
                                  .words(SelectObject, {1})
                                  .words(SetBkMode, {1})
                                  .record(SetTextColor, dwords({kRed}))
                                  .record(ExtTextOut, out)
                                  .finish());
    const int redWmf = countColor(wmf, kRed);
    QVERIFY2(redWmf > 40, qPrintable(QString::number(redWmf)));
    VERIFY_CLEAR(wmf, 90, 90);
    VERIFY_CLEAR(wmf, 5, 5);

    QByteArray emfText = dwords({0, 0, 100, 100, 1});
    emfText.append(floats({1, 1}));
    emfText.append(dwords({10, 10, 2, 76, 0, 0, 0, 0, 0, 0}));
    emfText.append(words({0x884C, 0x5148}));
    const QImage emf =
        render(emfSquare()
                   .record(EExtCreateFont, emfFont(2, -30, QStringLiteral("MS Gothic")))
                   .dwords(ESelectObject, {2})
                   .dwords(ESetBkMode, {1})
                   .dwords(24, {kBlue})
                   .record(EExtTextOutW, emfText)
                   .finish());
    const int blueEmf = countColor(emf, kBlue);
    QVERIFY2(blueEmf > 40, qPrintable(QString::number(blueEmf)));
    VERIFY_CLEAR(emf, 90, 90);
}

void TestMetafile::opaqueTextBackground()
{
    // The opaque option fills its rectangle with the background colour even without text.
    QByteArray out = words({0, 0, 0, 2, 20, 20, 80, 80});
    const QImage image =
        render(square().record(SetBkColor, dwords({kGreen})).record(ExtTextOut, out).finish());
    VERIFY_COLOR(image, 50, 50, kGreen);
    VERIFY_CLEAR(image, 10, 10);
}

void TestMetafile::drawsAtDevicePixelRatio()
{
    const auto mf = Metafile::fromData(square()
                                           .record(CreateBrush, wmfBrush(kRed))
                                           .words(SelectObject, {1})
                                           .words(Rectangle, {50, 50, 0, 0})
                                           .finish());
    QVERIFY(mf);
    const QImage image = mf->toImage(mf->naturalSize(), 2);
    QCOMPARE(image.size(), QSize(200, 200));
    QCOMPARE(image.devicePixelRatio(), 2.0);
    VERIFY_COLOR(image, 90, 90, kRed);
    VERIFY_CLEAR(image, 110, 110);
}

void TestMetafile::corruptRecordKeepsDrawing()
{
    // A rectangle, then a record claiming more words than the file holds: the rectangle stays.
    const QByteArray bytes = square()
                                 .record(CreateBrush, wmfBrush(kRed))
                                 .words(SelectObject, {1})
                                 .words(Rectangle, {50, 50, 0, 0})
                                 .raw(dwords({0x7FFFFFFF}) + words({Rectangle}))
                                 .finish();
    const QImage image = render(bytes);
    VERIFY_COLOR(image, 25, 25, kRed);
    // A record of size 0 ends the playback likewise.
    const QByteArray zero = square()
                                .record(CreateBrush, wmfBrush(kRed))
                                .words(SelectObject, {1})
                                .words(Rectangle, {50, 50, 0, 0})
                                .raw(dwords({0}) + words({Rectangle}))
                                .words(Rectangle, {100, 100, 50, 50})
                                .finish();
    const QImage stopped = render(zero);
    VERIFY_COLOR(stopped, 25, 25, kRed);
    VERIFY_CLEAR(stopped, 75, 75);
    // An EMF record shorter than its own header ends the playback too.
    QByteArray emf = emfSquare()
                         .dwords(ECreateBrush, {2, 0, kRed, 0})
                         .dwords(ESelectObject, {2})
                         .dwords(ERectangle, {0, 0, 50, 50})
                         .dwords(ERectangle, {50, 50, 100, 100})
                         .finish();
    const qsizetype last = emf.lastIndexOf(dwords({ERectangle, 24}));
    emf[last + 4] = 4;
    const QImage emfImage = render(emf);
    VERIFY_COLOR(emfImage, 25, 25, kRed);
    VERIFY_CLEAR(emfImage, 75, 75);
}

void TestMetafile::truncatedFilesNeverFail_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray poly = words({2, 3, 3, 0, 0, 50, 0, 0, 50, 60, 60, 90, 60, 60, 90});
    QByteArray font = words({-12, 0, 450, 0, 700, 1, 1, 0});
    font.append(QByteArray("Arial\0", 6));
    QByteArray text = words({5, 5, 3, 6, 0, 0, 50, 20});
    text.append("abc\0");
    text.append(words({8, 8, 8}));
    QByteArray stretch = dwords({0x00CC0020});
    stretch.append(words({0, 2, 2, 0, 0, 100, 100, 0, 0}));
    stretch.append(dib(2, 2, 8, {kRed, kBlue}, {0, 1, 1, 0}));
    QTest::newRow("WMF") << square()
                                .record(CreateBrush, wmfBrush(kRed))
                                .words(SelectObject, {1})
                                .record(CreateFont, font)
                                .words(SelectObject, {2})
                                .record(PolyPolygon, poly)
                                .words(MoveTo, {10, 10})
                                .words(LineTo, {90, 90})
                                .words(Ellipse, {90, 90, 10, 10})
                                .record(ExtTextOut, text)
                                .record(StretchDib, stretch)
                                .finish();
    QByteArray emfText = dwords({0, 0, 100, 100, 1});
    emfText.append(floats({1, 1}));
    emfText.append(dwords({10, 10, 2, 76, 4, 0, 0, 50, 50, 80}));
    emfText.append(words({0x41, 0x42}));
    emfText.append(dwords({10, 10}));
    QTest::newRow("EMF") << emfSquare()
                                .dwords(ECreateBrush, {2, 0, kRed, 0})
                                .dwords(ESelectObject, {2})
                                .record(EExtCreateFont, emfFont(3, -12, QStringLiteral("Arial"), 0))
                                .dwords(ESelectObject, {3})
                                .dwords(EBeginPath, {})
                                .dwords(EEllipse, {0, 0, 100, 100})
                                .dwords(EEndPath, {})
                                .dwords(ESelectClipPath, {1})
                                .record(EPolygon16,
                                        dwords({0, 0, 0, 0, 3}) + words({0, 0, 90, 10, 40, 90}))
                                .record(EExtTextOutW, emfText)
                                .finish();
}

void TestMetafile::truncatedFilesNeverFail()
{
    // Every prefix of a valid file is refused or plays; none may crash or draw out of bounds.
    QFETCH(QByteArray, bytes);
    for (qsizetype n = 0; n <= bytes.size(); ++n) {
        const auto mf = Metafile::fromData(bytes.first(n));
        if (mf)
            mf->toImage(QSize(20, 20));
    }
    QVERIFY(Metafile::fromData(bytes));
}

void TestMetafile::capsHold_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("draws");
    QTest::addColumn<bool>("red");
    auto stretchOf = [](int width, int height) {
        QByteArray r = dwords({0x00CC0020});
        r.append(words({0, 1, 1, 0, 0, 100, 100, 0, 0}));
        r.append(dwords({40, width, height}));
        r.append(words({1, 24}));
        r.append(dwords({0, 0, 0, 0, 0, 0}));
        // One row of pixels, the bottom one, which the 1 × 1 source takes.
        r.append(QByteArray(std::clamp(width, 1, 4096) * 3, char(0x40)));
        return square().record(StretchDib, r).finish();
    };
    // 4096 × 16384 is the 64 Mi pixel cap exactly; rows the file lacks stay transparent.
    QTest::newRow("bitmap at the pixel cap") << stretchOf(4096, 16384) << true << false;
    QTest::newRow("bitmap one row past the cap") << stretchOf(4096, 16385) << false << false;
    QTest::newRow("bitmap wider than the side cap") << stretchOf(40000, 1) << false << false;
    QTest::newRow("bitmap of negative width") << stretchOf(-5, 1) << false << false;
    WmfBuilder saves = square();
    for (int i = 0; i < 2000; ++i)
        saves.words(SaveDc, {});
    saves.record(CreateBrush, wmfBrush(kRed)).words(SelectObject, {1});
    saves.words(Rectangle, {100, 100, 0, 0});
    QTest::newRow("saves past the depth cap") << saves.finish() << true << true;
    QTest::newRow("select past the object table")
        << square().words(SelectObject, {65535}).words(DeleteObject, {65535}).finish() << false
        << false;
    QByteArray hugePoly = words({1, 65535});
    hugePoly.append(words({0, 0, 100, 100}));
    QTest::newRow("poly-polygon claiming more points than it holds")
        << square().record(PolyPolygon, hugePoly).finish() << false << false;
    QTest::newRow("polygon with a negative count")
        << square().record(Polygon, words({-3, 0, 0, 100, 0, 0, 100})).finish() << false << false;
    QByteArray emfPoly = dwords({0, 0, 0, 0, 0x7FFFFFFF});
    QTest::newRow("EMF polygon of 2^31 points")
        << emfSquare().record(EPolygon16, emfPoly).finish() << false << false;
    // The brush cannot be made, so the rectangle keeps the default white brush.
    QTest::newRow("EMF object index past the cap")
        << emfSquare()
               .dwords(ECreateBrush, {0x7FFFFFF0, 0, kRed, 0})
               .dwords(ESelectObject, {0x7FFFFFF0})
               .dwords(ERectangle, {0, 0, 100, 100})
               .finish()
        << true << false;
}

void TestMetafile::capsHold()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, draws);
    QFETCH(bool, red);
    const QImage image = render(bytes, QSize(10, 10));
    QVERIFY(!image.isNull());
    bool drawn = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            drawn = drawn || qAlpha(image.pixel(x, y)) != 0;
    QCOMPARE(drawn, draws);
    QCOMPARE(countColor(image, kRed) > 0, red);
}

QTEST_MAIN(TestMetafile)
#include "tst_metafile.moc"
