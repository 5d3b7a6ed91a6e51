#include "app/form1.h"
#include "app/sessionend.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "controls/rectshape.h"
#include "panel/frmset.h"
#include "platform/executable.h"
#include "recordingform1.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

QRect pixels(double left, double top, double width, double height)
{
    auto px = [](double t) { return qRound(t / 15.0); };
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT
    QTemporaryDir m_settings; // no test reads or writes a settings file beside the executable

private slots:
    void clientArea()
    {
        Form1 form;
        QCOMPARE(form.size(), QSize(728, 219));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!form.windowIcon().isNull());
    }

    void controlGeometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("Picture1") << "Picture1" << pixels(3495, 870, 775, 485);
        QTest::newRow("PicKanban") << "PicKanban" << pixels(3480, 2325, 1410, 450);
        QTest::newRow("picSlideBase1") << "picSlideBase1" << pixels(5715, 975, 1140, 2100);
        QTest::newRow("Image1(1)") << "Image1(1)" << pixels(885, 930, 630, 2085);
        QTest::newRow("Image1(2)") << "Image1(2)" << pixels(300, 930, 630, 2085);
        // Images that are not stretched take the size of their picture.
        QTest::newRow("Image2") << "Image2" << QRect(0, 2, 77, 137);
        QTest::newRow("ImgDesiMaku placeholder") << "ImgDesiMaku" << QRect(0, 0, 52, 32);
    }
    void controlGeometry()
    {
        QFETCH(QString, name);
        QFETCH(QRect, expected);
        Form1 form;
        auto *control = form.findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->geometry(), expected);
    }

    void frameAndHiddenControls()
    {
        Form1 form;
        QCOMPARE(form.shpK_Waku[0]->geometry(), pixels(3405, 2310, 75, 495));
        QCOMPARE(form.shpK_Waku[1]->geometry(), pixels(4890, 2310, 75, 495));
        QCOMPARE(form.shpK_Waku[2]->geometry(), pixels(3405, 2775, 1560, 60));
        QCOMPARE(form.shpK_Waku[0]->borderColor(), QColor(0x80, 0x80, 0x80));
        QCOMPARE(form.shpK_Waku[2]->fillColor(), QColor(0xE0, 0xE0, 0xE0));
        QVERIFY(form.Image1[1]->stretch());
        QVERIFY(!form.Image2->stretch());
        QCOMPARE(form.picSlideBase1->picture().deviceIndependentSize().toSize(), QSize(76, 140));
    }

    void caption()
    {
        QCOMPARE(Form1::captionFor(QStringLiteral("potero")),
                 QString::fromUtf8("ポテロ　-　potero"));
        const QString caption = Form1::captionFor(QStringLiteral("renamed"));
        QCOMPARE(caption.at(3), QChar(0x3000));
        QCOMPARE(caption.at(4), QChar(u'-'));
        QCOMPARE(caption.at(5), QChar(0x3000));
        QVERIFY(caption.endsWith(QLatin1String("renamed")));
        // The tail is the executable's name less its extension; a dot-named one is whole.
        QCOMPARE(executable::baseNameOf(QStringLiteral("potero.bin")), QStringLiteral("potero"));
        QCOMPARE(executable::baseNameOf(QStringLiteral("a.b.c")), QStringLiteral("a.b"));
        QCOMPARE(executable::baseNameOf(QStringLiteral(".bus")), QStringLiteral(".bus"));
    }

    void loadOrder()
    {
        RecordingForm1 form;
        form.setIniPath(m_settings.filePath(QStringLiteral("potero.ini")));
        form.load();
        // Without a settings file the defaults set both speeds, each a change of value.
        QCOMPARE(form.calls, (QStringList{"LoadIni", "HScroll1_Change", "HScroll2_Change"}));
        QVERIFY(form.panel()->isVisible());
        QVERIFY(form.panel()->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(form.windowTitle(), Form1::captionFor(QStringLiteral("tst_form1")));
        QCOMPARE(form.pos(), QPoint(0, 0));
        QCOMPARE(form.panel()->pos().x(), 0);
        QVERIFY(form.panel()->pos().y() >= form.height());
    }

    void closingSavesOnceAndEnds()
    {
        RecordingForm1 form;
        form.setIniPath(m_settings.filePath(QStringLiteral("potero.ini")));
        form.load();
        form.show();
        QSignalSpy ended(&form, &Form1::unloaded);
        QVERIFY(form.close());
        QCOMPARE(form.calls.filter(QStringLiteral("Ini")), (QStringList{"LoadIni", "SaveIni"}));
        QCOMPARE(ended.count(), 1);
        QVERIFY(!form.panel()->isVisible());
        // A second close (the platform's, at log-off) writes nothing again.
        form.show();
        form.close();
        QCOMPARE(form.calls.count(QStringLiteral("SaveIni")), 1);
    }

    // The signals that end a session ask for the unload once, however many arrive.
    void sessionEndComesOnce_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGINT") << SIGINT;
    }
    void sessionEndComesOnce()
    {
        QFETCH(int, signal);
        SessionEnd sessionEnd;
        QSignalSpy ended(&sessionEnd, &SessionEnd::ended);
        std::raise(signal);
        std::raise(signal);
        QTRY_COMPARE(ended.count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(ended.count(), 1);
    }

    void popupMenuLines()
    {
        Form1 form;
        const QList<QAction *> lines = form.MnuTempMenu1->actions();
        QCOMPARE(lines.size(), 5);
        const char *names[5] = {"MnuViewKanban", "MnuViewWaku", "MnuSetKanban", "MnuBdr1",
                                "MnuKanbanReset"};
        const char *captions[5] = {"看板の表示", "枠の表示", "看板の画像を設定...", "",
                                   "看板のリセット"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(lines[i]->objectName(), QString::fromLatin1(names[i]));
            QCOMPARE(lines[i]->text(), QString::fromUtf8(captions[i]));
            QCOMPARE(lines[i]->isChecked(), i < 2);
        }
        QVERIFY(lines[3]->isSeparator());
        QCOMPARE(form.MnuTempMenu1->title(), QStringLiteral("MnuTempMenu1"));
    }

    void pressesOnTheBus_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<bool>("popsUp");
        QTest::newRow("right on the body") << int(Qt::RightButton) << QPoint(600, 30) << true;
        QTest::newRow("right on a frame post") << int(Qt::RightButton) << QPoint(228, 160) << true;
        QTest::newRow("left on the body") << int(Qt::LeftButton) << QPoint(600, 30) << false;
        QTest::newRow("middle on the body") << int(Qt::MiddleButton) << QPoint(600, 30) << false;
        QTest::newRow("right on the sign box") << int(Qt::RightButton) << QPoint(240, 65) << false;
        QTest::newRow("right on the middle door")
            << int(Qt::RightButton) << QPoint(400, 100) << false;
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
        QTest::newRow("front leaf 1") << "Image1(1)";
        QTest::newRow("front leaf 2") << "Image1(2)";
        QTest::newRow("sign picture") << "ImgDesiMaku";
        QTest::newRow("sign box") << "Picture1";
    }
    void clicksGiveTheSignTheFocus()
    {
        QFETCH(QString, name);
        Form1 form;
        form.setIniPath(m_settings.filePath(QStringLiteral("potero.ini")));
        form.load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), form.Picture1);
        form.panel()->activateWindow();
        form.panel()->Check1->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), form.panel()->Check1);
        form.activateWindow();
        auto *control = form.findChild<QWidget *>(name);
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(2, 2));
        QTRY_COMPARE(QApplication::focusWidget(), form.Picture1);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
