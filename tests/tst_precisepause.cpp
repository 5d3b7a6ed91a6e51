#include "platform/precisepause.h"

#include <QTest>

// Only lower bounds: a pause may be late on a busy machine, but it is never short.
// How close it comes is measured in bench/bench_pause.cpp.
using namespace std::chrono;
using precisepause::Clock;

namespace {

void busyFor(nanoseconds span)
{
    const Clock::time_point end = Clock::now() + span;
    while (Clock::now() < end) {
    }
}

QByteArray describe(nanoseconds took, nanoseconds least)
{
    return QByteArray::number(qint64(took.count())) + " ns, less than " +
           QByteArray::number(qint64(least.count())) + " ns";
}

} // namespace

class TestPrecisePause : public QObject
{
    Q_OBJECT

private slots:
    void length_data();
    void length();
    void neverShort_data();
    void neverShort();
    void pacerCountsItsFirstPauseFromItsStart();
    void pacerTakesTheStepIntoThePause();
    void pacerCatchesUpOnlyALittle();
};

void TestPrecisePause::length_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("nanoseconds");
    QTest::newRow("slowest slider") << 30000 << qint64(6'000'000);
    QTest::newRow("front door default") << 10000 << qint64(2'000'000);
    QTest::newRow("middle door default") << 6000 << qint64(1'200'000);
    QTest::newRow("fastest slider") << 1 << qint64(200);
    QTest::newRow("0") << 0 << qint64(0);
    QTest::newRow("negative") << -1 << qint64(0);
}

void TestPrecisePause::length()
{
    QFETCH(int, count);
    QFETCH(qint64, nanoseconds);
    QCOMPARE(qint64(precisepause::length(count).count()), nanoseconds);
}

void TestPrecisePause::neverShort_data()
{
    QTest::addColumn<int>("count");
    // Spin only, sleep and spin, and the longest pause.
    for (int count : {1, 100, 499, 501, 6000, 30000})
        QTest::newRow(QByteArray::number(count).constData()) << count;
}

void TestPrecisePause::neverShort()
{
    QFETCH(int, count);
    const nanoseconds least = precisepause::length(count);
    for (int i = 0; i < 20; ++i) {
        const Clock::time_point start = Clock::now();
        precisepause::pause(count);
        const nanoseconds took = Clock::now() - start;
        QVERIFY2(took >= least, describe(took, least).constData());
    }
}

void TestPrecisePause::pacerCountsItsFirstPauseFromItsStart()
{
    const Clock::time_point start = Clock::now();
    precisepause::Pacer pacer;
    const Clock::time_point until = pacer.pause(10000);
    const nanoseconds held = Clock::now() - start;
    QVERIFY2(until - start >= precisepause::length(10000),
             describe(until - start, precisepause::length(10000)));
    QVERIFY2(held >= precisepause::length(10000), describe(held, precisepause::length(10000)));
}

// Each pause ends a whole pause after the one before, the step between included; only a
// step that overran the pause by more than the catch-up allowance moves the next end later.
void TestPrecisePause::pacerTakesTheStepIntoThePause()
{
    const nanoseconds each = precisepause::length(6000);
    precisepause::Pacer pacer;
    Clock::time_point last = pacer.pause(6000);
    for (int step = 0; step < 50; ++step) {
        busyFor(microseconds(step * 20));
        const Clock::time_point called = Clock::now();
        const Clock::time_point until = pacer.pause(6000);
        QVERIFY2(Clock::now() >= until, "returned before the end of its pause");
        QVERIFY2(until == last + each || (called > last + each + precisepause::kMaxCatchUp &&
                                          until >= called - precisepause::kMaxCatchUp),
                 describe(until - last, each).constData());
        last = until;
    }
}

// A step slower than its pause is won back from the next pauses, but never more than the
// allowance: after a long stall the door does not rush ahead.
void TestPrecisePause::pacerCatchesUpOnlyALittle()
{
    const nanoseconds each = precisepause::length(10000);
    precisepause::Pacer pacer;
    busyFor(each * 25);
    const Clock::time_point called = Clock::now();
    Clock::time_point last = pacer.pause(10000);
    QVERIFY2(last >= called - precisepause::kMaxCatchUp,
             describe(called - last, precisepause::kMaxCatchUp).constData());
    QVERIFY(last <= Clock::now());
    for (int step = 0; step < 5; ++step) {
        const Clock::time_point until = pacer.pause(10000);
        QCOMPARE((until - last).count(), each.count());
        last = until;
    }
    QVERIFY(Clock::now() >= last);
}

QTEST_GUILESS_MAIN(TestPrecisePause)
#include "tst_precisepause.moc"
