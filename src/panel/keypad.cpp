#include "panel/frmset.h"

#include "busview/signstepper.h"
#include "panel/busoperations.h"

#include "base/twips.h"
#include "platform/fonts.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {

struct KeyPlace
{
    int index;
    const char *caption;
    int left;
    int top;
};

// Laid out as a telephone keypad's mirror: 7 8 9 on top, 0 C 設定 at the bottom.
constexpr KeyPlace kKeys[12] = {
    {7, "7", 75, 600},    {8, "8", 570, 600},  {9, "9", 1065, 600},  {4, "4", 75, 990},
    {5, "5", 570, 990},   {6, "6", 1065, 990}, {1, "1", 75, 1380},   {2, "2", 570, 1380},
    {3, "3", 1065, 1380}, {0, "0", 75, 1770},  {10, "C", 570, 1770}, {11, "設定", 1065, 1770},
};

} // namespace

void frmSet::createKeypad()
{
    Label1 = new QLabel(Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleName(QString::fromUtf8("方向幕の番号"));
    Label1->setGeometry(twips::toRect(90, 240, 1455, 315));
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setFont(fonts::make(fonts::kGothic, 14.25));
    Label1->setStyleSheet(QStringLiteral(
        "QLabel { background: black; color: rgb(255,128,0); border: 1px solid gray; }"));

    const QFont digitFont = fonts::make(fonts::kProportionalGothic, 12);
    for (const KeyPlace &key : kKeys) {
        auto *button = new QPushButton(QString::fromUtf8(key.caption), Frame1);
        button->setObjectName(QStringLiteral("Command2(%1)").arg(key.index));
        button->setGeometry(twips::toRect(key.left, key.top, 510, 390));
        if (key.index < 10) {
            button->setFont(digitFont);
        } else {
            button->setStyleSheet(QStringLiteral(
                "QPushButton { background: rgb(255,128,0); border: 1px solid rgb(96,48,0); }"
                "QPushButton:pressed { background: rgb(224,104,0); }"));
        }
        Command2[key.index] = button;
    }
}

void frmSet::Command2_Click(int index)
{
    if (index == SignStepper::kShowButton) {
        m_operations.EnsureTrailingSeparator();
        m_operations.ShowSignPicture(SignStepper::keyedPosition(Label1->text()));
        return;
    }
    Label1->setText(SignStepper::keypadDisplay(Label1->text(), index));
}
