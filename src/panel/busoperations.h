#pragma once

// What the control panel asks of the main window: each of its controls calls one of these,
// and the main window reads the panel's controls back.
class BusOperations
{
public:
    virtual ~BusOperations() = default;

    virtual void Check1_Click() = 0;
    virtual void Check2_Click() = 0;
    virtual void HScroll1_Change() = 0;
    virtual void HScroll2_Change() = 0;
    virtual void MnuEditHkPic_Click() = 0;
    virtual void MnuHelpVer_Click() = 0;
    virtual void EnsureTrailingSeparator() = 0;
    virtual bool ShowSignPicture(int position) = 0;
};
