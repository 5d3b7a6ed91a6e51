// The middle door with its real sound: played to its end before the leaf moves, and the door
// moving all the same when no sound can be played.

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "panel/frmset.h"
#include "platform/wavesound.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// Notes when the first step of a run comes, counted from the operation's start.
class TimedForm1 : public Form1
{
public:
    QElapsedTimer sinceStart;
    qint64 firstStepMs = -1;
    int steps = 0;

protected:
    void pauseCount(precisepause::Pacer &, int) override
    {
        if (steps++ == 0)
            firstStepMs = sinceStart.elapsed();
    }
};

QByteArray resource(int id)
{
    QFile file(wavesound::resourcePath(id));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
        form.panel()->Check2->setChecked(true);
        form.sinceStart.start();
        form.Check2_Click();
        QCOMPARE(form.steps, 1111);
        // The door sound lasts 0.8 s; the leaf waits for all of it.
        QVERIFY2(form.firstStepMs >= 750, qPrintable(QString::number(form.firstStepMs)));
        QCOMPARE(WaveBuffer, resource(101));
        QCOMPARE(form.Image2->Left(), -1110.0);
    }

    void withoutASoundServerTheDoorStillMoves()
    {
        qputenv("PULSE_SERVER", "unix:/nonexistent/potero-test/native");
        TimedForm1 form;
        form.panel()->Check2->setChecked(true);
        form.Check2_Click();
        QCOMPARE(form.steps, 1111);
        QCOMPARE(form.Image2->Left(), -1110.0);
        QCOMPARE(WaveBuffer, resource(101));
    }
};

QTEST_MAIN(TestDoorSound)
#include "tst_doorsound.moc"
