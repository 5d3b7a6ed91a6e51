#pragma once

#include "app/form1.h"

#include <QStringList>

// A main window that notes each operation the panel or the life cycle calls, then runs it.
class RecordingForm1 : public Form1
{
public:
    QStringList calls;

#define POTERO_RECORD(op)                                                                          \
    void op() override                                                                             \
    {                                                                                              \
        calls << QStringLiteral(#op);                                                              \
        Form1::op();                                                                               \
    }
    POTERO_RECORD(Check1_Click)
    POTERO_RECORD(Check2_Click)
    POTERO_RECORD(HScroll1_Change)
    POTERO_RECORD(HScroll2_Change)
    POTERO_RECORD(MnuEditHkPic_Click)
    POTERO_RECORD(MnuHelpVer_Click)
    POTERO_RECORD(picDir)
    POTERO_RECORD(SaveIni)
    POTERO_RECORD(LoadIni)
#undef POTERO_RECORD
};
