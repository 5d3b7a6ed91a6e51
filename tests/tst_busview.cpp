// The bus's own rules, driven without a window: the door runs, the sign's positions and the
// signboard's frame; and the twips they are measured in.

#include "base/twips.h"
#include "busview/doorrun.h"
#include "busview/kanbanframe.h"
#include "busview/signstepper.h"

#include <QTest>

#include <tuple>

namespace {

// The frame as the window creates it: its posts start above the signboard and are taller.
const kanbanframe::Pieces kCreatedFrame = {QRectF(3405, 2310, 75, 495), QRectF(4890, 2310, 75, 495),
                                           QRectF(3405, 2775, 1560, 60)};

} // namespace

class TestBusView : public QObject
{
    Q_OBJECT
private slots:
    // A run is a whole twip a step, so its first measure, its last and its size tell it.
    void doorRuns_data()
    {
        QTest::addColumn<bool>("front");
        QTest::addColumn<bool>("open");
        QTest::addColumn<double>("leftLeafWidth");
        QTest::addColumn<QList<int>>("firstLastSize");
        const auto row = [](const char *name, bool front, bool open, double width,
                            QList<int> firstLastSize) {
            QTest::newRow(name) << front << open << width << firstLastSize;
        };
        row("front opens from closed", true, true, 630, {630, 70, 561});
        // Closing starts narrower than open, wherever the leaves stand.
        row("front closes from open", true, false, 70, {50, 630, 581});
        row("front closes part way", true, false, 300, {50, 630, 581});
        row("half rounds down to even", true, true, 70.5, {70, 70, 1});
        row("half rounds up to even", true, true, 71.5, {72, 70, 3});
        row("front opens when open", true, true, 70, {70, 70, 1});
        row("front opens when past open", true, true, 60, {0, 0, 0});
        row("middle opens", false, true, 0, {0, -1110, 1111});
        row("middle closes", false, false, 0, {-1110, 0, 1111});
    }
    void doorRuns()
    {
        QFETCH(bool, front);
        QFETCH(bool, open);
        QFETCH(double, leftLeafWidth);
        QFETCH(QList<int>, firstLastSize);
        const DoorRun run = front ? DoorRun::front(open, leftLeafWidth) : DoorRun::middle(open);
        const int size = run.size();
        QCOMPARE((QList<int>{size ? run.at(0) : 0, size ? run.at(size - 1) : 0, size}),
                 firstLastSize);
    }

    // The plain steps and the stops at either end are tried through the window (tst_sign).
    void arrowKeys()
    {
        // Key, sign index, count, the position shown (-1: the key does nothing).
        const std::tuple<const char *, int, int, int, int> rows[] = {
            {"down at the only entry stops", SignStepper::kKeyDown, 0, 1, -1},
            {"down past the end counts on", SignStepper::kKeyDown, 7, 5, 8},
            {"down in an empty list counts on", SignStepper::kKeyDown, 0, 0, 1},
            {"up in an empty list steps back", SignStepper::kKeyUp, 2, 0, 1},
            {"left arrow", 37, 2, 5, -1}};
        for (const auto &[name, key, signIndex, count, shown] : rows)
            QVERIFY2(SignStepper::arrowKey(key, signIndex, count).value_or(-1) == shown, name);
    }

    // Plain digits, clearing and showing are tried through the window (tst_sign); here the
    // display's limit of six digits, past the sign's 16-bit positions, and the show button
    // leaving the display.
    void keypad()
    {
        QCOMPARE(SignStepper::keypadDisplay(QStringLiteral("12"), SignStepper::kShowButton),
                 QStringLiteral("12"));
        QCOMPARE(SignStepper::keypadDisplay(QStringLiteral("32768"), 9), QStringLiteral("327689"));
        QCOMPARE(SignStepper::keyedPosition(QStringLiteral("327689")), 327689);
        QCOMPARE(SignStepper::keypadDisplay(QStringLiteral("327689"), 5), QStringLiteral("327689"));
    }

    // A 200 x 100 pixel picture whose signboard reaches past the window's left and top: fitted,
    // the posts take its height; following a size change, they keep theirs until the next fit.
    void frameAroundALargePicturePastTheEdge()
    {
        const QRectF board(30, -200, 3000, 1500);
        const QRectF bar(-45, 1300, 3150, 60);
        QCOMPARE(
            kanbanframe::fit(board, kCreatedFrame),
            (kanbanframe::Pieces{QRectF(-45, -200, 75, 1515), QRectF(3030, -200, 75, 1515), bar}));
        QCOMPARE(
            kanbanframe::follow(board, kCreatedFrame),
            (kanbanframe::Pieces{QRectF(-45, -200, 75, 495), QRectF(3030, -200, 75, 495), bar}));
    }

    // Plain rounding shows in every golden picture of a window; the halves do not.
    void twipsRoundToTheNearestPixel_data()
    {
        QTest::addColumn<double>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("half rounds up") << 7.5 << 1;
        QTest::newRow("negative half away from zero") << -7.5 << -1;
    }
    void twipsRoundToTheNearestPixel()
    {
        QFETCH(double, twips);
        QFETCH(int, pixels);
        QCOMPARE(twips::toPixels(twips), pixels);
    }
};

QTEST_GUILESS_MAIN(TestBusView)
#include "tst_busview.moc"
