#include "app/form1.h"
#include "dialogs/frmbrowsedir.h"
#include "dialogs/frmshowversion.h"
#include "panel/frmset.h"
#include "recordingform1.h"

#include <QAccessible>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

namespace {

QRect pixels(double left, double top, double width, double height)
{
    auto px = [](double t) { return qRound(t / 15.0); };
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace

class TestFrmSet : public QObject
{
    Q_OBJECT
private slots:
    void window()
    {
        Form1 form;
        frmSet *panel = form.panel();
        QCOMPARE(panel->windowTitle(), QString::fromUtf8("設定パネル"));
        QCOMPARE(panel->size(), QSize(263, 171));
        QCOMPARE(panel->minimumSize(), panel->maximumSize());
        const Qt::WindowFlags flags = panel->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(panel->palette().color(QPalette::Window), QColor(64, 64, 64));
        QVERIFY(!panel->isVisible());
    }

    void controlPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("Frame1") << "Frame1" << pixels(2265, 0, 1620, 2505);
        QTest::newRow("Label1") << "Label1" << pixels(90, 240, 1455, 315);
        QTest::newRow("Command1") << "Command1" << pixels(75, 2190, 1530, 270);
        QTest::newRow("FrameA") << "FrameA" << pixels(30, 30, 2190, 1965);
        QTest::newRow("Check1") << "Check1" << pixels(75, 165, 735, 510);
        QTest::newRow("HScroll1") << "HScroll1" << pixels(855, 195, 1260, 240);
        QTest::newRow("lblMaeSpeed") << "lblMaeSpeed" << pixels(885, 450, 1215, 240);
        QTest::newRow("Check2") << "Check2" << pixels(60, 840, 735, 525);
        QTest::newRow("HScroll2") << "HScroll2" << pixels(840, 840, 1230, 240);
        QTest::newRow("lblNakaSpeed") << "lblNakaSpeed" << pixels(870, 1110, 1200, 240);
        QTest::newRow("Frame2") << "Frame2" << pixels(60, 1410, 2085, 480);
        QTest::newRow("Option1(0)") << "Option1(0)" << pixels(60, 180, 735, 270);
        QTest::newRow("Option1(1)") << "Option1(1)" << pixels(795, 180, 570, 270);
        QTest::newRow("Option1(2)") << "Option1(2)" << pixels(1470, 165, 555, 270);
        QTest::newRow("Command3") << "Command3" << pixels(720, 2145, 1515, 360);
        QTest::newRow("key 7") << "Command2(7)" << pixels(75, 600, 510, 390);
        QTest::newRow("key 9") << "Command2(9)" << pixels(1065, 600, 510, 390);
        QTest::newRow("key 5") << "Command2(5)" << pixels(570, 990, 510, 390);
        QTest::newRow("key 1") << "Command2(1)" << pixels(75, 1380, 510, 390);
        QTest::newRow("key 0") << "Command2(0)" << pixels(75, 1770, 510, 390);
        QTest::newRow("key C") << "Command2(10)" << pixels(570, 1770, 510, 390);
        QTest::newRow("key set") << "Command2(11)" << pixels(1065, 1770, 510, 390);
    }
    void controlPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, expected);
        Form1 form;
        auto *control = form.panel()->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->geometry(), expected);
    }

    void valuesAtStart()
    {
        Form1 form;
        frmSet *panel = form.panel();
        QVERIFY(panel->Check1->isCheckable() && !panel->Check1->isChecked());
        QVERIFY(panel->Check2->isCheckable() && !panel->Check2->isChecked());
        QVERIFY(panel->Check1->text().isEmpty());
        for (QScrollBar *slider : {panel->HScroll1, panel->HScroll2}) {
            QCOMPARE(slider->minimum(), 1);
            QCOMPARE(slider->maximum(), 30000);
            QCOMPARE(slider->singleStep(), 1);
            QCOMPARE(slider->pageStep(), 1);
        }
        QCOMPARE(panel->HScroll1->value(), 6000);
        QCOMPARE(panel->HScroll2->value(), 10000);
        QCOMPARE(panel->lblMaeSpeed->text(), QStringLiteral("0"));
        QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("0"));
        QVERIFY(panel->Label1->text().isEmpty());
        QVERIFY(panel->Label1->alignment() & Qt::AlignRight);
        QVERIFY(panel->Option1[0]->isChecked());
        QCOMPARE(panel->Frame2->title(), QString::fromUtf8("中扉動作"));
        QCOMPARE(panel->Command1->text(), QString::fromUtf8("方向幕フォルダー"));
        QCOMPARE(panel->Command3->text(), QString::fromUtf8("バージョン情報"));
        const char *keys[12] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "C", "設定"};
        for (int i = 0; i < 12; ++i)
            QCOMPARE(panel->Command2[i]->text(), QString::fromUtf8(keys[i]));
    }

    void optionsNeverAppear()
    {
        Form1 form;
        frmSet *panel = form.panel();
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QVERIFY(!panel->Frame2->isVisible());
        for (QRadioButton *option : panel->Option1)
            QVERIFY(!option->isVisible());
        // Hidden, the choice is still kept.
        panel->Option1[2]->setChecked(true);
        QVERIFY(!panel->Option1[0]->isChecked());
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
