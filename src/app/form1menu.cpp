#include "app/form1.h"

#include <QAction>
#include <QMenu>

// The signboard's popup; it never shows as a menu bar.
void Form1::createMenu()
{
    MnuTempMenu1 = new QMenu(QStringLiteral("MnuTempMenu1"), this);
    MnuTempMenu1->setObjectName(QStringLiteral("MnuTempMenu1"));
    // Its caption is a name for the program only; a screen reader says what the menu is for.
    MnuTempMenu1->setAccessibleName(QString::fromUtf8("看板のメニュー"));
    auto addItem = [this](const char *name, const char *caption, bool checked) {
        QAction *action = MnuTempMenu1->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        if (checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        return action;
    };
    MnuViewKanban = addItem("MnuViewKanban", "看板の表示", true);
    MnuViewWaku = addItem("MnuViewWaku", "枠の表示", true);
    MnuSetKanban = addItem("MnuSetKanban", "看板の画像を設定...", false);
    MnuBdr1 = MnuTempMenu1->addSeparator();
    MnuBdr1->setObjectName(QStringLiteral("MnuBdr1"));
    MnuKanbanReset = addItem("MnuKanbanReset", "看板のリセット", false);
}
