// The bus's own rules, driven without a window: the door runs, the sign's positions and the
// signboard's frame; and the twips they are measured in.

#include "base/twips.h"
#include "busview/doorrun.h"
#include "busview/kanbanframe.h"
#include "busview/signstepper.h"

#include <QTest>

#include <tuple>

namespace {

QList<int> measures(const DoorRun &run)
{
    QList<int> all;
    for (int step = 0; step < run.size(); ++step)
        all.append(run.at(step));
    return all;
}

// Every whole twip from first to last, both included; empty when first is past last.
QList<int> counted(int first, int last, int direction)
{
    QList<int> all;
    for (int value = first; (last - value) * direction >= 0; value += direction)
        all.append(value);
    return all;
}

// The frame as the window creates it: its posts start above the signboard and are taller.
const kanbanframe::Pieces kCreatedFrame = {QRectF(3405, 2310, 75, 495), QRectF(4890, 2310, 75, 495),
                                           QRectF(3405, 2775, 1560, 60)};

} // namespace

class TestBusView : public QObject
{
    Q_OBJECT
private slots:
    void doorRuns_data()
    {
        QTest::addColumn<bool>("front");
        QTest::addColumn<bool>("open");
        QTest::addColumn<double>("leftLeafWidth");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("front opens from closed") << true << true << 630.0 << counted(630, 70, -1);
        QTest::newRow("front closes from open") << true << false << 70.0 << counted(50, 630, 1);
        QTest::newRow("front closes part way") << true << false << 300.0 << counted(50, 630, 1);
        QTest::newRow("half rounds down to even") << true << true << 70.5 << QList<int>{70};
        QTest::newRow("half rounds up to even") << true << true << 71.5 << QList<int>{72, 71, 70};
        QTest::newRow("front opens when open") << true << true << 70.0 << QList<int>{70};
        QTest::newRow("front opens when past open") << true << true << 60.0 << QList<int>();
        QTest::newRow("middle opens") << false << true << 0.0 << counted(0, -1110, -1);
        QTest::newRow("middle closes") << false << false << 0.0 << counted(-1110, 0, 1);
    }
    void doorRuns()
    {
        QFETCH(bool, front);
        QFETCH(bool, open);
        QFETCH(double, leftLeafWidth);
        QFETCH(QList<int>, expected);
        const DoorRun run = front ? DoorRun::front(open, leftLeafWidth) : DoorRun::middle(open);
        QCOMPARE(measures(run), expected);
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

    void keypad()
    {
        // Display, button, display after it, the position the show button asks for afterwards.
        const std::tuple<const char *, int, const char *, int> rows[] = {
            {"", 0, "0", 0},
            {"1", 2, "12", 12},     // appended at the right
            {"001", 4, "0014", 14}, // leading zeros
            {"32768", 9, "327689", 327689},
            {"327689", 5, "327689", 327689}, // a seventh digit is not taken
            {"12", SignStepper::kClearButton, "", 0},
            {"12", SignStepper::kShowButton, "12", 12}};
        for (const auto &[display, button, after, position] : rows)
            QVERIFY2(SignStepper::keypadDisplay(QString::fromLatin1(display), button) == after &&
                         SignStepper::keyedPosition(QString::fromLatin1(after)) == position,
                     display);
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
