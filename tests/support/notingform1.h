#pragma once

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "platform/precisepause.h"

#include <QImage>
#include <QStringList>

#include <functional>

// A main window that notes rather than wait, ask or tell: every door step with its pause
// instead of the pause, the sounds and the messages; the open-file dialog answers chosenFile.
class NotingForm1 : public Form1
{
public:
    struct Step
    {
        double leftLeafWidth, rightLeafWidth, rightLeafLeft, middleLeft;
        int pause, signIndex;
    };
    QList<Step> steps;
    QList<int> sounds;
    double middleLeftAtSound = 0;
    std::function<void(int)> onStep; // after each step, with the steps so far
    QStringList messages;
    QString chosenFile; // the open-file dialog's answer
    bool realPauses = false;

protected:
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
    QString C_Dialog1() override { return chosenFile; }
};

// A picture file of a size, filled with a colour.
inline bool writePicture(const QString &path, QSize size, const char *format = "BMP",
                         QColor color = Qt::darkBlue)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image.save(path, format);
}
