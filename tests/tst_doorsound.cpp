// The middle door with its real sound: played to its end before the leaf moves, and the door
// moving all the same when no sound can be played.

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "panel/frmset.h"
#include "platform/wavesound.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>

namespace {

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
