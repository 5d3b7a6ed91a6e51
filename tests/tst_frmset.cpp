#include "app/form1.h"
#include "dialogs/frmbrowsedir.h"
#include "dialogs/frmshowversion.h"
#include "panel/frmset.h"
#include "recordingform1.h"
#include "support/golden.h"

#include <QAccessible>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
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

    void eventsReachTheMainWindow()
    {
        RecordingForm1 form;
        frmSet *panel = form.panel();
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        panel->HScroll1->setValue(1);
        panel->HScroll2->setValue(1);
        QCOMPARE(form.calls, (QStringList{"HScroll1_Change", "HScroll2_Change"}));
        form.calls.clear();

        // A keyboard step on a slider is a change of value; Right makes the door slower.
        panel->HScroll1->setFocus();
        QTest::keyClick(panel->HScroll1, Qt::Key_Right);
        QCOMPARE(panel->HScroll1->value(), 2);
        QTest::keyClick(panel->HScroll1, Qt::Key_Right);
        QTest::keyClick(panel->HScroll1, Qt::Key_Left);
        QCOMPARE(panel->HScroll1->value(), 2);
        QCOMPARE(form.calls,
                 (QStringList{"HScroll1_Change", "HScroll1_Change", "HScroll1_Change"}));
        form.calls.clear();

        QTest::mouseClick(panel->Check1, Qt::LeftButton);
        QTest::mouseClick(panel->Check2, Qt::LeftButton);
        QCOMPARE(form.calls, (QStringList{"Check1_Click", "Check2_Click"}));
        QVERIFY(panel->Check1->isChecked());
        QVERIFY(panel->Check2->isChecked());
    }

    // Enter presses the focused button as Space does; a slider shows that it has the focus;
    // every control has a name for a screen reader, the picture-only door buttons their words.
    void keyboardAndScreenReaders()
    {
        RecordingForm1 form;
        frmSet *panel = form.panel();
        panel->show();
        panel->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(panel));
        for (const auto &[index, key] :
             {std::pair{5, Qt::Key_Return}, std::pair{7, Qt::Key_Enter}}) {
            panel->Command2[index]->setFocus();
            QTest::keyClick(panel->Command2[index], key);
        }
        QCOMPARE(panel->Label1->text(), QStringLiteral("57"));
        panel->Check1->setFocus();
        QTest::keyClick(panel->Check1, Qt::Key_Return);
        QVERIFY(panel->Check1->isChecked());
        QCOMPARE(form.calls, QStringList{"Check1_Click"});

        const QImage unfocused = panel->HScroll2->grab().toImage();
        panel->HScroll2->setFocus();
        QVERIFY(panel->HScroll2->grab().toImage() != unfocused);

        QCOMPARE(panel->Check1->accessibleName(), QString::fromUtf8("前扉"));
        QCOMPARE(panel->Check2->accessibleName(), QString::fromUtf8("中扉"));
        frmBrowseDir folderDialog(form.SignFolder, {});
        frmShowVersion versionDialog;
        for (QWidget *window :
             {static_cast<QWidget *>(&form), static_cast<QWidget *>(panel),
              static_cast<QWidget *>(&folderDialog), static_cast<QWidget *>(&versionDialog)}) {
            for (QWidget *control : window->findChildren<QWidget *>()) {
                QAccessibleInterface *named = QAccessible::queryAccessibleInterface(control);
                QVERIFY2(named && !named->text(QAccessible::Name).isEmpty(),
                         qPrintable(control->objectName()));
            }
        }
    }

    void windowManagerCannotCloseThePanel()
    {
        Form1 form;
        frmSet *panel = form.panel();
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QVERIFY(!panel->close());
        QVERIFY(panel->isVisible());
    }
};

QTEST_MAIN(TestFrmSet)
#include "tst_frmset.moc"
