// The windows as a real X server and window manager see them, and real pointer and keyboard
// input (xdotool) for what only it can show: input that arrives while a door holds the event
// loop, and the signboard's drag.

#include "dialogs/frmbrowsedir.h"
#include "dialogs/frmshowversion.h"
#include "panel/frmset.h"
#include "support/notingform1.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// A property of a window, or of the root window when window is null.
QString xprop(const QWidget *window, const QString &property)
{
    QProcess process;
    process.start(
        QStringLiteral("xprop"),
        window ? QStringList{QStringLiteral("-id"), QString::number(window->winId()), property}
               : QStringList{QStringLiteral("-root"), property});
    if (!process.waitForFinished(5000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Whether a window's _MOTIF_WM_HINTS offer a function (field 1) or a decoration (field 2):
// everything when the field's flag (1 or 2) is not set, else all but the bits listed when its
// first bit (all) is set, else only those listed.
bool offers(const QWidget *window, int field, quint32 bit)
{
    const QString line = xprop(window, QStringLiteral("_MOTIF_WM_HINTS"));
    QList<quint32> hints;
    for (const QString &part : line.mid(line.indexOf(u'=') + 1).split(u','))
        hints << part.trimmed().toUInt(nullptr, 0);
    if (hints.size() < 3 || !(hints[0] & quint32(field)))
        return true;
    return bool(hints[field] & bit) != bool(hints[field] & 1);
}
// Fields: 1 functions (8 minimize, 16 maximize, 32 close), 2 decorations (32 minimize button,
// 64 maximize button).

// The window manager's stacking order, bottom first.
QList<WId> stacking()
{
    const QString list = xprop(nullptr, QStringLiteral("_NET_CLIENT_LIST_STACKING"));
    QList<WId> ids;
    for (const QString &id : list.mid(list.indexOf(u'#') + 1).split(u',', Qt::SkipEmptyParts))
        ids << id.trimmed().toULongLong(nullptr, 16);
    return ids;
}

// Once a modal dialog other than `after` shows and the window manager stacks it, calls then
// with it (which closes it, or opens another over it).
void whenDialogShows(QWidget *after, const std::function<void(QWidget *)> &then)
{
    QTimer::singleShot(50, [after, then] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (dialog && dialog != after && stacking().contains(dialog->winId()))
            then(dialog);
        else
            whenDialogShows(after, then);
    });
}

class DialogForm1 : public Form1
{
public:
    using Form1::C_Dialog1;
    using Form1::messageBox;
};

} // namespace

class TestX11 : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (./dev test starts one)");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("needs xdotool");
    }

    void mainWindowPanelAndDialogs()
    {
        DialogForm1 form;
        form.setIniPath(m_dir.filePath(QStringLiteral("potero.ini")));
        form.load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        frmSet *panel = form.panel();
        QVERIFY(QTest::qWaitForWindowExposed(panel));

        // The size and the caption as the window manager sees them: e2e/defaults.sh.
        QVERIFY(offers(&form, 1, 32));
        for (const auto &[field, bit] : {std::pair{1, 8u}, {1, 16u}, {2, 32u}, {2, 64u}})
            QVERIFY(!offers(&form, field, bit));
        for (quint32 bit : {32u, 8u, 16u})
            QVERIFY(!offers(panel, 1, bit));

        const QString state = xprop(panel, QStringLiteral("_NET_WM_STATE"));
        QVERIFY2(state.contains(QLatin1String("_NET_WM_STATE_ABOVE")), qPrintable(state));
        QVERIFY2(state.contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR")), qPrintable(state));
        // The main window is an ordinary one: activated, it stays beneath the panel. Placed by
        // default, the panel stands under its frame (e2e/defaults.sh).
        const QString mainState = xprop(&form, QStringLiteral("_NET_WM_STATE"));
        QVERIFY(!mainState.contains(QLatin1String("SKIP_TASKBAR")));
        QVERIFY(!mainState.contains(QLatin1String("ABOVE")));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTRY_VERIFY(stacking().indexOf(form.winId()) < stacking().indexOf(panel->winId()));

        // The window manager's minimize button, which it draws whatever the panel asks, does not
        // take the panel away.
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                                   {QStringLiteral("windowminimize"), QStringLiteral("--sync"),
                                    QString::number(panel->winId())}),
                 0);
        QTRY_VERIFY(xprop(panel, QStringLiteral("WM_STATE")).contains(QLatin1String("Normal")));
        QVERIFY(!panel->isMinimized());

        // Every dialog opens above the panel, which stays on top of all other windows.
        QStringList below;
        int checked = 0;
        const auto checkAndClose = [&](QWidget *dialog) {
            ++checked;
            const QList<WId> ids = stacking();
            const qsizetype panelAt = ids.indexOf(panel->winId());
            if (panelAt < 0 || ids.indexOf(dialog->winId()) < panelAt)
                below << dialog->windowTitle();
            dialog->close();
        };
        // Each dialog, and the one it opens over itself: the box of the link without the
        // maker's library, the folder chooser.
        const auto overItself = [&](const std::function<void(QWidget *)> &open) {
            whenDialogShows(nullptr, [&, open](QWidget *dialog) {
                whenDialogShows(dialog, checkAndClose);
                open(dialog);
                checkAndClose(dialog);
            });
        };
        overItself([](QWidget *dialog) { static_cast<frmShowVersion *>(dialog)->Label5_Click(); });
        form.MnuHelpVer_Click();
        overItself([](QWidget *dialog) { static_cast<frmBrowseDir *>(dialog)->Command1->click(); });
        form.MnuEditHkPic_Click();
        whenDialogShows(nullptr, checkAndClose);
        form.messageBox(QStringLiteral("message"));
        whenDialogShows(nullptr, checkAndClose);
        form.C_Dialog1();
        QCOMPARE(checked, 6);
        QVERIFY2(below.isEmpty(), qPrintable(below.join(u',')));
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
        // xdotool in the background, so its input arrives while the run holds the event loop.
        const QPoint button = panel->Check1->mapToGlobal(panel->Check1->rect().center());
        QVERIFY(QProcess::startDetached(
            QStringLiteral("sh"),
            {QStringLiteral("-c"),
             QStringLiteral("sleep 0.3; xdotool key Down mousemove %1 %2 click 1 click 1")
                 .arg(button.x())
                 .arg(button.y())}));
        panel->Check1->click(); // opens; the key and the clicks arrive during this run
        QCOMPARE(form.steps.size(), 561);
        QCOMPARE(form.steps.last().signIndex, 0);
        // Then it closes (from 50 to 630 twips) and opens again.
        QTRY_COMPARE_WITH_TIMEOUT(form.steps.size(), 561 + 581 + 561, 10000);
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
        QCOMPARE(form.PicKanban->Left(), 3480 - 37 * 15.0);
        QCOMPARE(form.PicKanban->Top(), 2325 + 43 * 15.0);
        // The grab point is still under the pointer.
        QCOMPARE(form.PicKanban->mapToGlobal(grab), QCursor::pos());
    }
};

QTEST_MAIN(TestX11)
#include "tst_x11.moc"
