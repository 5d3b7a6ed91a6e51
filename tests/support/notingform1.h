#pragma once

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "platform/precisepause.h"

#include <QImage>
#include <QStringList>

#include <functional>

// A main window that notes what it does rather than wait, ask or tell: the operations the panel
// and the life cycle call (each then runs as the program's own), every door step with its pause
// instead of the pause, the sounds, the messages and the open-file dialog's question.
class NotingForm1 : public Form1
{
public:
    struct Step
    {
        double leftLeafWidth, rightLeafWidth, rightLeafLeft, middleLeft;
        int pause, signIndex;
    };
    QStringList calls;
    QList<Step> steps;
    QList<int> sounds;
    double middleLeftAtSound = 0;
    std::function<void(int)> onStep; // after each step, with the steps so far
    QStringList messages;
    QString chosenFile;            // the open-file dialog's answer
    bool realFolderDialog = false; // else the folder dialog is only noted
    bool realPauses = false;

    void Check1_Click() override { note("Check1_Click"), Form1::Check1_Click(); }
    void Check2_Click() override { note("Check2_Click"), Form1::Check2_Click(); }
    void HScroll1_Change() override { note("HScroll1_Change"), Form1::HScroll1_Change(); }
    void HScroll2_Change() override { note("HScroll2_Change"), Form1::HScroll2_Change(); }
    void picDir() override { note("picDir"), Form1::picDir(); }
    void SaveIni() override { note("SaveIni"), Form1::SaveIni(); }
    void LoadIni() override { note("LoadIni"), Form1::LoadIni(); }
    void MnuEditHkPic_Click() override
    {
        note("MnuEditHkPic_Click");
        if (realFolderDialog)
            Form1::MnuEditHkPic_Click();
    }

protected:
    void note(const char *op) { calls << QString::fromLatin1(op); }
    void pauseCount(precisepause::Pacer &pacer, int count) override
    {
        steps.append({Image1[2]->Width(), Image1[1]->Width(), Image1[1]->Left(), Image2->Left(),
                      count, SignIndex});
        if (onStep)
            onStep(int(steps.size()));
        if (realPauses)
            Form1::pauseCount(pacer, count);
    }
    void playWaveResource(int id) override
    {
        sounds.append(id);
        middleLeftAtSound = Image2->Left();
        if (!steps.isEmpty())
            sounds.append(-1); // a sound after a step is out of order
    }
    void messageBox(const QString &text) override { messages << text; }
    QString C_Dialog1() override { return note("C_Dialog1"), chosenFile; }
};

// A picture file of a size, filled with a colour.
inline bool writePicture(const QString &path, QSize size, const char *format = "BMP",
                         QColor color = Qt::darkBlue)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path, format);
}
