// Real pointer and keyboard input from the X server (xdotool), for what only it can show:
// input that arrives while a door holds the event loop, and the signboard's drag.

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "panel/frmset.h"
#include "support/notingform1.h"

#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Runs xdotool after a delay, in the background, so its input arrives while the event loop
// is held by an animation that starts meanwhile.
void xdotoolLater(int delayMs, const QStringList &commands)
{
    QString script = QStringLiteral("sleep %1").arg(delayMs / 1000.0);
    for (const QString &command : commands)
        script += QStringLiteral("; xdotool ") + command;
    QVERIFY(QProcess::startDetached(QStringLiteral("sh"), {QStringLiteral("-c"), script}));
}

QString at(const QWidget *widget, QPoint local)
{
    const QPoint global = widget->mapToGlobal(local);
    return QStringLiteral("mousemove %1 %2").arg(global.x()).arg(global.y());
}

} // namespace

class TestX11Input : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (./dev test starts one)");
        if (QProcess::execute(
                QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("command -v xdotool >/dev/null")}) != 0)
            QSKIP("needs xdotool");
    }

    // A key and two clicks that arrive while a door runs are handled after it, in order.
    void inputDuringAnAnimationRunsAfterIt()
    {
        const QString signs = m_dir.filePath(QStringLiteral("signs"));
        QVERIFY(QDir().mkpath(signs));
        for (const char *name : {"a.bmp", "b.bmp"})
            QVERIFY(writePicture(signs + "/" + name, QSize(52, 32)));
        NotingForm1 form;
        form.realPauses = true;
        form.setIniPath(m_dir.filePath(QStringLiteral("input.ini")));
        form.load();
        form.SignFolder = signs;
        form.picDir();
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTRY_COMPARE(QApplication::focusWidget(), form.Picture1);
        frmSet *panel = form.panel();
        panel->HScroll1->setValue(10000); // about 1.1 s a run
        xdotoolLater(300,
                     {QStringLiteral("key Down"), at(panel->Check1, panel->Check1->rect().center()),
                      QStringLiteral("click 1"), QStringLiteral("click 1")});
        panel->Check1->click(); // opens; the key and the clicks arrive during this run
        QCOMPARE(form.calls.count(QStringLiteral("Check1_Click")), 1);
        QCOMPARE(form.steps.last().signIndex, 0);
        QTRY_COMPARE_WITH_TIMEOUT(form.calls.count(QStringLiteral("Check1_Click")), 3, 10000);
        QCOMPARE(form.SignIndex, 1);
        // Open, closed, open again: the door ends as the button shows.
        QVERIFY(panel->Check1->isChecked());
        QCOMPARE(form.Image1[2]->Width(), 70.0);
    }

    void dragFollowsThePointerToThePixel()
    {
        Form1 form;
        form.setIniPath(m_dir.filePath(QStringLiteral("drag.ini")));
        form.load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::qWait(300);
        const QRect before = form.PicKanban->geometry();
        const QPoint grab(13, 7);
        const QPoint global = form.PicKanban->mapToGlobal(grab);
        QProcess::execute(QStringLiteral("sh"),
                          {QStringLiteral("-c"),
                           QStringLiteral("xdotool mousemove %1 %2 mousedown 1 mousemove_relative "
                                          "-- 20 10 mousemove_relative -- -57 33 mouseup 1")
                               .arg(global.x())
                               .arg(global.y())});
        QTRY_COMPARE(form.PicKanban->geometry().topLeft(), before.topLeft() + QPoint(-37, 43));
        QCOMPARE(form.PicKanban->size(), before.size());
        QCOMPARE(form.PicKanban->Left(), 3480 - 37 * 15.0);
        QCOMPARE(form.PicKanban->Top(), 2325 + 43 * 15.0);
        // The grab point is still under the pointer.
        QCOMPARE(form.PicKanban->mapToGlobal(grab), QCursor::pos());
    }
};

QTEST_MAIN(TestX11Input)
#include "tst_x11input.moc"
