#include "app/form1.h"
#include "app/sessionend.h"
#include "app/startup.h"
#include "controls/picturebox.h"
#include "panel/frmset.h"
#include "platform/executable.h"
#include "support/golden.h"
#include "support/notingform1.h"

#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>

class TestForm1 : public QObject
{
    Q_OBJECT
    QTemporaryDir m_settings; // no test reads or writes a settings file beside the executable

    QString ini() const { return m_settings.filePath(QStringLiteral("potero.ini")); }

private slots:
    void loadWithoutSettings()
    {
        NotingForm1 form;
        form.setIniPath(ini());
        form.load();
        // Without a settings file the defaults set both speeds, each a change of value.
        QCOMPARE(form.calls, (QStringList{"LoadIni", "HScroll1_Change", "HScroll2_Change"}));
        QVERIFY(form.panel()->isVisible());
        QCOMPARE(form.windowTitle(), QString::fromUtf8("ポテロ　-　tst_form1"));
        QCOMPARE(form.panel()->pos(), QPoint(0, form.height()));
        POTERO_COMPARE_GOLDEN(&form, "window-Form1");
        // The caption's tail is the executable's name less its extension; a dot-named one is
        // whole.
        QCOMPARE(executable::baseNameOf(QStringLiteral("a.b.c")), QStringLiteral("a.b"));
        QCOMPARE(executable::baseNameOf(QStringLiteral(".bus")), QStringLiteral(".bus"));
    }

    void closingSavesOnceAndEnds()
    {
        NotingForm1 form;
        form.setIniPath(ini());
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

    // The whole program in a process of its own, ended by the session (SIGTERM): it saves and
    // its event loop ends, though its main window is still open.
    void programEndsWithTheSession()
    {
        const QString saved = m_settings.filePath(QStringLiteral("ended.ini"));
        QProcess program;
        program.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run"), saved});
        QVERIFY2(program.waitForFinished(30000), "the program did not end");
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(QFile::exists(saved));
    }

    // The signals that end a session ask for the unload once, however many arrive.
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
        QTest::newRow("right on the body") << int(Qt::RightButton) << QPoint(600, 30) << true;
        QTest::newRow("right on a frame post") << int(Qt::RightButton) << QPoint(228, 160) << true;
        QTest::newRow("left on the body") << int(Qt::LeftButton) << QPoint(600, 30) << false;
        QTest::newRow("middle on the body") << int(Qt::MiddleButton) << QPoint(600, 30) << false;
        QTest::newRow("right on the sign box") << int(Qt::RightButton) << QPoint(240, 65) << false;
        QTest::newRow("right on the middle door")
            << int(Qt::RightButton) << QPoint(400, 100) << false;
        QTest::newRow("right on the signboard") << int(Qt::RightButton) << QPoint(240, 165) << true;
        QTest::newRow("middle on the signboard")
            << int(Qt::MiddleButton) << QPoint(240, 165) << false;
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
};

int main(int argc, char **argv)
{
    // --run INI: the program itself, saving to INI, which the session ends at once.
    if (argc == 3 && qstrcmp(argv[1], "--run") == 0) {
        const QString ini = QString::fromLocal8Bit(argv[2]);
        return runPotero(1, argv, [&ini](Form1 &form) {
            form.setIniPath(ini);
            QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        });
    }
    QApplication app(argc, argv);
    TestForm1 test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_form1.moc"
