// The two doors: each runs its whole animation inside the operation that starts it.

#include "app/form1.h"

#include "busview/doorrun.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "panel/frmset.h"
#include "platform/precisepause.h"
#include "platform/wavesound.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace {

constexpr int kDoorSound = 101;

} // namespace

void Form1::setFrontDoorWidth(double width)
{
    const QRect right = Image1[1]->geometry(), left = Image1[2]->geometry();
    Image1[2]->setWidth(width);
    Image1[1]->setWidth(width);
    Image1[1]->setLeft(DoorRun::rightLeafLeft(width));
    // The event loop does not run during the animation, so each step is drawn at once, when it
    // moves a pixel (a pixel is 15 twips: most steps only move the leaves' exact places).
    if (Image1[1]->geometry() != right || Image1[2]->geometry() != left)
        repaint(right.united(left).united(Image1[1]->geometry()).united(Image1[2]->geometry()));
}

void Form1::Check1_Click()
{
    frmSet *settingsPanel = panel();
    const DoorRun run = DoorRun::front(settingsPanel->Check1->isChecked(), Image1[2]->Width());
    precisepause::Pacer pacer;
    for (int step = 0; step < run.size(); ++step) {
        setFrontDoorWidth(run.at(step));
        pauseCount(pacer, settingsPanel->HScroll1->value());
    }
}

void Form1::setMiddleDoorLeft(double left)
{
    const QRect before = Image2->geometry();
    Image2->setLeft(left);
    if (Image2->geometry() != before)
        picSlideBase1->repaint();
}

void Form1::Check2_Click()
{
    frmSet *settingsPanel = panel();
    const DoorRun run = DoorRun::middle(settingsPanel->Check2->isChecked());
    playWaveResource(kDoorSound);
    precisepause::Pacer pacer;
    for (int step = 0; step < run.size(); ++step) {
        setMiddleDoorLeft(run.at(step));
        pauseCount(pacer, settingsPanel->HScroll2->value());
    }
}

void Form1::HScroll1_Change()
{
    frmSet *settingsPanel = panel();
    settingsPanel->lblMaeSpeed->setText(QString::number(settingsPanel->HScroll1->value()));
}

void Form1::HScroll2_Change()
{
    frmSet *settingsPanel = panel();
    settingsPanel->lblNakaSpeed->setText(QString::number(settingsPanel->HScroll2->value()));
}

void Form1::pauseCount(precisepause::Pacer &pacer, int count)
{
    pacer.pause(count);
}

void Form1::playWaveResource(int id)
{
    PlayWaveResource(id);
}
