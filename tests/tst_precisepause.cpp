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
    return QByteArray::number(qint64(took.count())) + " ns, expected " +
           QByteArray::number(qint64(least.count())) + " ns";
}

} // namespace

class TestPrecisePause : public QObject
{
    Q_OBJECT
private slots:

    // Nothing below a count of 1; the fastest slider, spin only, sleep and spin, the slowest.
    void neverShort()
    {
        QCOMPARE(precisepause::length(-1).count(), 0);
        for (int count : {0, 1, 499, 501, 30000}) {
            const nanoseconds least = count < 1 ? nanoseconds(0) : nanoseconds(200 * count);
            QCOMPARE(precisepause::length(count), least);
            for (int i = 0; i < 20; ++i) {
                const Clock::time_point start = Clock::now();
                precisepause::pause(count);
                const nanoseconds took = Clock::now() - start;
                QVERIFY2(took >= least, describe(took, least).constData());
            }
        }
    }

    // A run's first pause counts from its start. Each pause ends a whole pause after the one
    // before, the step between included; a step slower than its pause is won back from the next
    // pauses, but never more than the allowance: after a long stall the door does not rush ahead.
    void pacer()
    {
        const nanoseconds each = precisepause::length(6000);
        const nanoseconds allowance = precisepause::kMaxCatchUp;
        const Clock::time_point start = Clock::now();
        precisepause::Pacer pacer;
        Clock::time_point last = pacer.pause(6000);
        QVERIFY2(last - start >= each && Clock::now() >= last, describe(last - start, each));
        for (nanoseconds step : {each / 2, each / 2, each * 3 / 2, each * 25, nanoseconds(0)}) {
            busyFor(step);
            const Clock::time_point called = Clock::now();
            const Clock::time_point until = pacer.pause(6000);
            QVERIFY2(Clock::now() >= until, "returned before the end of its pause");
            // Later only when the step overran the allowance, and then by no more than it.
            if (called > last + each + allowance)
                QVERIFY2(until >= called - allowance && until <= called,
                         describe(called - until, allowance).constData());
            else
                QVERIFY2(until == last + each, describe(until - last, each).constData());
            last = until;
        }
    }
};

QTEST_GUILESS_MAIN(TestPrecisePause)
#include "tst_precisepause.moc"
