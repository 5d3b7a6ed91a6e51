#pragma once

#include "app/form1.h"

#include <QStringList>

// A main window that notes each operation the panel or the life cycle calls, then runs it.
class RecordingForm1 : public Form1
{
public:
    QStringList calls;

    void Check1_Click() override { note("Check1_Click", &Form1::Check1_Click); }
    void Check2_Click() override { note("Check2_Click", &Form1::Check2_Click); }
    void HScroll1_Change() override { note("HScroll1_Change", &Form1::HScroll1_Change); }
    void HScroll2_Change() override { note("HScroll2_Change", &Form1::HScroll2_Change); }
    void MnuEditHkPic_Click() override { note("MnuEditHkPic_Click", &Form1::MnuEditHkPic_Click); }
    void MnuHelpVer_Click() override { note("MnuHelpVer_Click", &Form1::MnuHelpVer_Click); }
    void picDir() override { note("picDir", &Form1::picDir); }
    void SaveIni() override { note("SaveIni", &Form1::SaveIni); }
    void LoadIni() override { note("LoadIni", &Form1::LoadIni); }

private:
    void note(const char *name, void (Form1::*operation)())
    {
        calls << QString::fromLatin1(name);
        (this->*operation)();
    }
};
