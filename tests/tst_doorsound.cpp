// The doors' pause, and the middle door with its real sound: played to its end before the leaf
// moves, and the door moving all the same when no sound can be played. The pause is checked for
// lower bounds only: it may be late on a busy machine, but it is never short. How close it comes
// is measured in bench/bench_pause.cpp.

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "panel/frmset.h"
#include "platform/precisepause.h"
#include "platform/wavesound.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>

using namespace std::chrono;
using precisepause::Clock;

namespace {

QByteArray describe(nanoseconds took, nanoseconds least)
{
    return QByteArray::number(qint64(took.count())) + " ns, expected " +
           QByteArray::number(qint64(least.count())) + " ns";
}

// Notes when the first step of a run comes, counted from the operation's start.
class TimedForm1 : public Form1
{
public:
    QElapsedTimer sinceStart;
    qint64 firstStepMs = -1;
    int steps = 0;

    // Opens the middle door: every step taken, the leaf at its end, the door sound loaded.
    void openMiddleDoor()
    {
        panel()->Check2->setChecked(true);
        sinceStart.start();
        Check2_Click();
        QCOMPARE(steps, 1111);
        QCOMPARE(Image2->Left(), -1110.0);
        QFile file(wavesound::resourcePath(101));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(WaveBuffer, file.readAll());
    }

protected:
    void pauseCount(precisepause::Pacer &, int) override
    {
        if (steps++ == 0)
            firstStepMs = sinceStart.elapsed();
    }
};

} // namespace

class TestDoorSound : public QObject
{
    Q_OBJECT
private slots:
    // Nothing below a count of 1; the fastest slider, spin only, sleep and spin, the slowest.
    void pauseNeverShort()
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
            const Clock::time_point stepEnd = Clock::now() + step;
            while (Clock::now() < stepEnd) {
            }
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

    void soundPlaysOutBeforeTheLeafMoves()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
            QSKIP("needs the private sound server of tests/sound-server.sh (./dev test starts it)");
        TimedForm1 form;
        form.openMiddleDoor();
        // The door sound lasts 0.8 s; the leaf waits for all of it.
        QVERIFY2(form.firstStepMs >= 750, qPrintable(QString::number(form.firstStepMs)));
    }

    void withoutASoundServerTheDoorStillMoves()
    {
        qputenv("PULSE_SERVER", "unix:/nonexistent/potero-test/native");
        TimedForm1().openMiddleDoor();
    }
};

QTEST_MAIN(TestDoorSound)
#include "tst_doorsound.moc"
