// What the window adds to the door runs of busview: both leaves set at each step, a pause after
// each reading its slider afresh, the sound first, the panel's labels.

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "panel/frmset.h"
#include "support/notingform1.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

class TestDoors : public QObject
{
    Q_OBJECT
private slots:
    void frontDoorMovesBothLeaves()
    {
        NotingForm1 form;
        frmSet *panel = form.panel();
        panel->HScroll1->setValue(30000);
        panel->Check1->setChecked(true);
        form.Check1_Click();
        QCOMPARE(form.steps.size(), 561);
        QCOMPARE(form.steps.last().leftLeafWidth, 70.0);
        for (const NotingForm1::Step &step : form.steps) {
            QCOMPARE(step.rightLeafWidth, step.leftLeafWidth);
            QCOMPARE(step.rightLeafLeft, 1515 - step.leftLeafWidth);
            QCOMPARE(step.pause, 30000);
        }
        QVERIFY(form.sounds.isEmpty());
        form.steps.clear();
        panel->Check1->setChecked(false);
        form.Check1_Click();
        QCOMPARE(form.steps.first().leftLeafWidth, 50.0);
        // The leaves' pixels keep the door's outer edges still.
        QCOMPARE(form.Image1[1]->geometry().right(), 100);
        QCOMPARE(form.Image1[2]->geometry().left(), 20);
        // Opening starts from where the left leaf stands.
        form.steps.clear();
        form.Image1[2]->setWidth(71.5);
        panel->Check1->setChecked(true);
        form.Check1_Click();
        QCOMPARE(form.steps.size(), 3);
    }

    void eachPauseReadsTheSliderAfresh()
    {
        NotingForm1 form;
        frmSet *panel = form.panel();
        panel->HScroll2->setValue(6000);
        form.onStep = [&](int step) {
            if (step == 10)
                panel->HScroll2->setValue(25);
        };
        panel->Check2->setChecked(true);
        form.Check2_Click();
        QCOMPARE(form.steps[9].pause, 6000);
        QCOMPARE(form.steps[10].pause, 25);
        QCOMPARE(form.steps.last().pause, 25);
    }

    void middleDoorSoundsThenTravelsItsWholePath()
    {
        NotingForm1 form;
        frmSet *panel = form.panel();
        panel->Check2->setChecked(true);
        form.Check2_Click();
        QCOMPARE(form.sounds, QList<int>{101});
        QCOMPARE(form.steps.last().middleLeft, -1110.0);
        // Only the leaf's last 45 twips (3 pixels) stay inside the doorway.
        QCOMPARE(form.Image2->geometry().right(), 2);

        // Closing from a leaf left half-way still runs from fully open.
        form.steps.clear();
        form.sounds.clear();
        form.Image2->setLeft(-500);
        panel->Check2->setChecked(false);
        form.Check2_Click();
        QCOMPARE(form.sounds, QList<int>{101});
        QCOMPARE(form.middleLeftAtSound, -500.0);
        QCOMPARE(form.steps.first().middleLeft, -1110.0);
        QCOMPARE(form.Image2->Left(), 0.0);
    }

    void speedLabelsFollowValueChangesOnly()
    {
        Form1 form;
        frmSet *panel = form.panel();
        panel->HScroll1->setValue(30000);
        panel->HScroll2->setValue(6000);
        QCOMPARE(panel->lblMaeSpeed->text(), QStringLiteral("30000"));
        QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("6000"));
        // A dragged thumb changes the value, and the label, only when it is let go.
        panel->HScroll2->setSliderDown(true);
        panel->HScroll2->setSliderPosition(12345);
        QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("6000"));
        panel->HScroll2->setSliderDown(false);
        QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("12345"));
        // The range is the speeds the settings file may hold.
        panel->HScroll1->setValue(30001);
        panel->HScroll2->setValue(0);
        QCOMPARE(panel->lblMaeSpeed->text(), QStringLiteral("30000"));
        QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestDoors)
#include "tst_doors.moc"
