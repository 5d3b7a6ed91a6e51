#include "app/form1.h"
#include "dialogs/frmbrowsedir.h"
#include "dialogs/frmshowversion.h"
#include "panel/frmset.h"
#include "support/golden.h"
#include "support/notingform1.h"

#include <QAccessible>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

class TestFrmSet : public QObject
{
    Q_OBJECT
    QTemporaryDir m_settings;

private slots:
    // The panel as the load leaves it without settings: the keypad, the door switches with the
    // default speeds, the options hidden.
    void looks()
    {
        Form1 form;
        form.setIniPath(m_settings.filePath(QStringLiteral("potero.ini")));
        form.load();
        QVERIFY(QTest::qWaitForWindowExposed(form.panel()));
        POTERO_COMPARE_GOLDEN(form.panel(), "window-frmSet");
    }

    void tabOrder()
    {
        Form1 form;
        frmSet *panel = form.panel();
        QList<QWidget *> expected;
        for (QPushButton *key : panel->Command2)
            expected << key;
        // The hidden options are skipped by the focus chain's visible part.
        expected << panel->Check1 << panel->Check2 << panel->HScroll2 << panel->HScroll1
                 << panel->Command3 << panel->Command1;
        QList<QWidget *> chain;
        QWidget *widget = panel->Command2[0];
        do {
            if (expected.contains(widget))
                chain << widget;
            widget = widget->nextInFocusChain();
        } while (widget != panel->Command2[0] && chain.size() < expected.size());
        QCOMPARE(chain, expected);
    }

    // Each control calls its operation of the main window. A keyboard step on a slider is a
    // change of value, Right making the door slower; Enter presses the focused button as Space
    // does; a slider shows that it has the focus.
    void input()
    {
        NotingForm1 form;
        frmSet *panel = form.panel();
        panel->show();
        panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(panel));
        panel->HScroll2->setValue(1);
        const QImage unfocused = panel->HScroll1->grab().toImage();
        panel->HScroll1->setFocus();
        QVERIFY(panel->HScroll1->grab().toImage() != unfocused);
        panel->HScroll1->setValue(1);
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left})
            QTest::keyClick(panel->HScroll1, key);
        QCOMPARE(panel->HScroll1->value(), 2);
        QTest::mouseClick(panel->Check2, Qt::LeftButton);
        panel->Check1->setFocus();
        QTest::keyClick(panel->Check1, Qt::Key_Return);
        QVERIFY(panel->Check1->isChecked() && panel->Check2->isChecked());
        QCOMPARE(form.calls, (QStringList{"HScroll2_Change", "HScroll1_Change", "HScroll1_Change",
                                          "HScroll1_Change", "HScroll1_Change", "Check2_Click",
                                          "Check1_Click"}));
        for (const auto &[index, key] : {std::pair{5, Qt::Key_Return}, {7, Qt::Key_Enter}}) {
            panel->Command2[index]->setFocus();
            QTest::keyClick(panel->Command2[index], key);
        }
        QCOMPARE(panel->Label1->text(), QStringLiteral("57"));
        // The window manager's close is refused.
        QVERIFY(!panel->close());
        QVERIFY(panel->isVisible());
    }

    // Every control has a name for a screen reader, the picture-only door buttons their words.
    void screenReaders()
    {
        Form1 form;
        QCOMPARE(form.panel()->Check1->accessibleName(), QString::fromUtf8("前扉"));
        QCOMPARE(form.panel()->Check2->accessibleName(), QString::fromUtf8("中扉"));
        frmBrowseDir folderDialog(form.SignFolder, {});
        frmShowVersion versionDialog;
        for (QWidget *window :
             std::initializer_list<QWidget *>{&form, form.panel(), &folderDialog, &versionDialog}) {
            for (QWidget *control : window->findChildren<QWidget *>()) {
                QAccessibleInterface *named = QAccessible::queryAccessibleInterface(control);
                QVERIFY2(named && !named->text(QAccessible::Name).isEmpty(),
                         qPrintable(control->objectName()));
            }
        }
    }
};

QTEST_MAIN(TestFrmSet)
#include "tst_frmset.moc"
