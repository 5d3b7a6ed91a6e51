// The main window and its panel: the life cycle, presses and focus, the doors' runs as the
// window drives them, the panel's input, and the built-in pictures they show.

#include "app/sessionend.h"
#include "dialogs/frmbrowsedir.h"
#include "dialogs/frmshowversion.h"
#include "panel/frmset.h"
#include "platform/artwork.h"
#include "platform/executable.h"
#include "support/golden.h"
#include "support/notingform1.h"

#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class TestForm1 : public QObject
{
    Q_OBJECT
    QTemporaryDir m_settings; // no test reads or writes a settings file beside the executable

    QString ini() const { return m_settings.filePath(QStringLiteral("potero.ini")); }

private slots:
    void init() { QFile::remove(ini()); }

    void loadWithoutSettingsAndClose()
    {
        Form1 form;
        form.setIniPath(ini());
        form.load();
        // Without a settings file the defaults set both speeds, each a change of value.
        QCOMPARE(form.panel()->lblMaeSpeed->text(), QStringLiteral("10000"));
        QCOMPARE(form.panel()->lblNakaSpeed->text(), QStringLiteral("6000"));
        QCOMPARE(form.windowTitle(), QString::fromUtf8("ポテロ　-　tst_form1"));
        POTERO_COMPARE_GOLDEN(&form, "window-Form1");
        QVERIFY(QTest::qWaitForWindowExposed(form.panel()));
        POTERO_COMPARE_GOLDEN(form.panel(), "window-frmSet");
        // The caption's tail is the executable's name less its extension; a dot-named one is
        // whole.
        QCOMPARE(executable::baseNameOf(QStringLiteral("a.b.c")), QStringLiteral("a.b"));
        QCOMPARE(executable::baseNameOf(QStringLiteral(".bus")), QStringLiteral(".bus"));
        // Only closing saves, the defaults with the panel under the main window, and it ends.
        QVERIFY(!QFile::exists(ini()));
        form.show();
        QSignalSpy ended(&form, &Form1::unloaded);
        QVERIFY(form.close());
        QFile saved(ini());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(),
                 "0,0,0,3285,\"\",\"\",0,0,\"\",3480,2325,#TRUE#,#TRUE#,10000,6000,0\r\n");
        QCOMPARE(ended.count(), 1);
        QVERIFY(!form.panel()->isVisible());
        // A second close (the platform's, at log-off) writes nothing again.
        QVERIFY(QFile::remove(ini()));
        form.show();
        form.close();
        QVERIFY(!QFile::exists(ini()));
        QCOMPARE(ended.count(), 1);
    }

    // The signals that end a session ask for the unload once, however many arrive. The program
    // saving and ending with them is in e2e/sessionend.sh.
    void sessionEndComesOnce()
    {
        for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
            SessionEnd sessionEnd;
            QSignalSpy ended(&sessionEnd, &SessionEnd::ended);
            std::raise(signal);
            std::raise(signal);
            QTRY_COMPARE(ended.count(), 1);
            QCoreApplication::processEvents();
            QCOMPARE(ended.count(), 1);
        }
    }

    void pressesOnTheBus_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<bool>("popsUp");
        const int right = Qt::RightButton, left = Qt::LeftButton, middle = Qt::MiddleButton;
        QTest::newRow("right on the body") << right << QPoint(600, 30) << true;
        QTest::newRow("right on a frame post") << right << QPoint(228, 160) << true;
        QTest::newRow("left on the body") << left << QPoint(600, 30) << false;
        QTest::newRow("middle on the body") << middle << QPoint(600, 30) << false;
        QTest::newRow("right on the sign box") << right << QPoint(240, 65) << false;
        QTest::newRow("right on the middle door") << right << QPoint(400, 100) << false;
        QTest::newRow("right on the signboard") << right << QPoint(240, 165) << true;
        QTest::newRow("middle on the signboard") << middle << QPoint(240, 165) << false;
    }
    void pressesOnTheBus()
    {
        QFETCH(int, button);
        QFETCH(QPoint, where);
        QFETCH(bool, popsUp);
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget *target = form.childAt(where);
        const QPoint local = target ? target->mapFrom(&form, where) : where;
        QTest::mousePress(target ? target : &form, Qt::MouseButton(button), {}, local);
        QCOMPARE(form.MnuTempMenu1->isVisible(), popsUp);
        form.MnuTempMenu1->hide();
    }

    void clicksGiveTheSignTheFocus_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Image1(1)", "Image1(2)", "ImgDesiMaku", "Picture1"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void clicksGiveTheSignTheFocus()
    {
        QFETCH(QString, name);
        Form1 form;
        form.setIniPath(ini());
        form.load();
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), form.Picture1);
        form.panel()->activateWindow();
        form.panel()->Check1->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), form.panel()->Check1);
        form.activateWindow();
        QTest::mouseClick(form.findChild<QWidget *>(name), Qt::LeftButton, {}, QPoint(2, 2));
        QTRY_COMPARE(QApplication::focusWidget(), form.Picture1);
    }

    // What the window adds to the door runs of busview: both leaves set at each step, a pause
    // after each reading its slider afresh, the sound first.
    void frontDoorMovesBothLeaves()
    {
        NotingForm1 form;
        frmSet *panel = form.panel();
        panel->HScroll1->setValue(30000);
        panel->Check1->setChecked(true);
        form.Check1_Click();
        QCOMPARE(form.steps.size(), 561);
        for (const NotingForm1::Step &step : form.steps) {
            QCOMPARE(step.rightLeafWidth, step.leftLeafWidth);
            QCOMPARE(step.rightLeafLeft, 1515 - step.leftLeafWidth);
            QCOMPARE(step.pause, 30000);
        }
        QVERIFY(form.sounds.isEmpty());
        form.steps.clear();
        panel->Check1->setChecked(false);
        form.Check1_Click();
        QCOMPARE(form.steps.first().leftLeafWidth, 50.0);
        // The leaves' pixels keep the door's outer edges still.
        QCOMPARE(form.Image1[1]->geometry().right(), 100);
        QCOMPARE(form.Image1[2]->geometry().left(), 20);
        // Opening starts from where the left leaf stands.
        form.steps.clear();
        form.Image1[2]->setWidth(71.5);
        panel->Check1->setChecked(true);
        form.Check1_Click();
        QCOMPARE(form.steps.size(), 3);
    }

    // Each pause reads its slider afresh.
    void middleDoorSoundsThenTravelsItsWholePath()
    {
        NotingForm1 form;
        frmSet *panel = form.panel();
        panel->HScroll2->setValue(6000);
        form.onStep = [&](int step) {
            if (step == 10)
                panel->HScroll2->setValue(25);
        };
        panel->Check2->setChecked(true);
        form.Check2_Click();
        QCOMPARE(form.steps[9].pause, 6000);
        QCOMPARE(form.steps.last().pause, 25);
        QCOMPARE(form.sounds, QList<int>{101});
        QCOMPARE(form.steps.last().middleLeft, -1110.0);
        // Only the leaf's last 45 twips (3 pixels) stay inside the doorway.
        QCOMPARE(form.Image2->geometry().right(), 2);
        // Closing from a leaf left half-way still runs from fully open.
        form.steps.clear();
        form.sounds.clear();
        form.Image2->setLeft(-500);
        panel->Check2->setChecked(false);
        form.Check2_Click();
        QCOMPARE(form.sounds, QList<int>{101});
        QCOMPARE(form.middleLeftAtSound, -500.0);
        QCOMPARE(form.steps.first().middleLeft, -1110.0);
        QCOMPARE(form.Image2->Left(), 0.0);
    }

    // The hidden options are skipped by the focus chain's visible part.
    void panelTabOrder()
    {
        Form1 form;
        frmSet *panel = form.panel();
        QList<QWidget *> expected(std::begin(panel->Command2), std::end(panel->Command2));
        expected << panel->Check1 << panel->Check2 << panel->HScroll2 << panel->HScroll1
                 << panel->Command3 << panel->Command1;
        QList<QWidget *> chain;
        for (QWidget *widget = panel->Command2[0];
             chain.size() < expected.size() && !chain.contains(widget);
             widget = widget->nextInFocusChain())
            if (expected.contains(widget))
                chain << widget;
        QCOMPARE(chain, expected);
    }

    // Each control runs its operation of the main window. A keyboard step on a slider is a
    // change of value, Right making the door slower; Enter presses the focused button as Space
    // does; a slider shows that it has the focus; a speed label follows changes of value only.
    void panelInput()
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
        QCOMPARE(panel->lblMaeSpeed->text(), QStringLiteral("2"));
        QTest::mouseClick(panel->Check2, Qt::LeftButton);
        QCOMPARE(form.Image2->Left(), -1110.0);
        panel->Check1->setFocus();
        QTest::keyClick(panel->Check1, Qt::Key_Return);
        QCOMPARE(form.Image1[2]->Width(), 70.0);
        QVERIFY(panel->Check1->isChecked() && panel->Check2->isChecked());
        for (const auto &[index, key] : {std::pair{5, Qt::Key_Return}, {7, Qt::Key_Enter}}) {
            panel->Command2[index]->setFocus();
            QTest::keyClick(panel->Command2[index], key);
        }
        QCOMPARE(panel->Label1->text(), QStringLiteral("57"));
        // A dragged thumb changes the value, and the label, only when it is let go.
        panel->HScroll2->setSliderDown(true);
        panel->HScroll2->setSliderPosition(12345);
        QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("1"));
        panel->HScroll2->setSliderDown(false);
        QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("12345"));
        // The range is the speeds the settings file may hold.
        panel->HScroll1->setValue(30001);
        panel->HScroll2->setValue(0);
        QCOMPARE(panel->lblMaeSpeed->text(), QStringLiteral("30000"));
        QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("1"));
        // The window manager's close is refused.
        QVERIFY(!panel->close() && panel->isVisible());
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

    // Built at 1x and 2x, drawn from the SVG at any other density; the built pictures are the
    // SVGs as they stand, not a stale rendering. Lettering may be laid out by another font
    // set-up; shapes and colours must agree.
    void artworkAtEveryDensity()
    {
        for (const char *resource :
             {artwork::kBus, artwork::kMiddleLeaf, artwork::kSignPlaceholder, artwork::kIcon})
            for (const qreal ratio : {1.0, 2.0, 1.5}) {
                QSvgRenderer renderer{QString::fromLatin1(resource)};
                const QSize pixels = (QSizeF(renderer.defaultSize()) * ratio).toSize();
                QImage drawn(pixels, QImage::Format_ARGB32_Premultiplied);
                drawn.fill(Qt::transparent);
                QPainter painter(&drawn);
                renderer.render(&painter, QRectF(QPointF(), QSizeF(pixels)));
                painter.end();
                const QPixmap built = artwork::render(QString::fromLatin1(resource), ratio);
                QCOMPARE(built.devicePixelRatio(), ratio);
                QCOMPARE(built.size(), pixels);
                const QImage image = built.toImage().convertToFormat(drawn.format());
                int differing = 0;
                for (int y = 0; y < pixels.height(); ++y)
                    for (int x = 0; x < pixels.width(); ++x)
                        differing += qAbs(qGray(image.pixel(x, y)) - qGray(drawn.pixel(x, y))) > 24;
                QVERIFY2(differing < pixels.width() * pixels.height() / 50, resource);
            }
        QCOMPARE(artwork::icon(QString::fromLatin1(artwork::kFrontDoorButton)).availableSizes(),
                 (QList<QSize>{QSize(50, 20), QSize(100, 40)}));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
