// The two windows as a real X server and window manager see them.

#include "app/form1.h"
#include "dialogs/frmbrowsedir.h"
#include "dialogs/frmshowversion.h"
#include "panel/frmset.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

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
constexpr int kFunctions = 1, kDecorations = 2;
constexpr quint32 kMinimize = 8, kMaximize = 16, kClose = 32; // functions
constexpr quint32 kMinimizeButton = 32, kMaximizeButton = 64; // decorations

// Is a stacked above b in the window manager's order?
bool stackedAbove(const QWidget *a, const QWidget *b)
{
    const QString list = xprop(nullptr, QStringLiteral("_NET_CLIENT_LIST_STACKING"));
    const QStringList ids = list.mid(list.indexOf(u'#') + 1).split(u',', Qt::SkipEmptyParts);
    qsizetype above = -1, below = -1;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const WId id = ids[i].trimmed().toULongLong(nullptr, 16);
        above = id == a->winId() ? i : above;
        below = id == b->winId() ? i : below;
    }
    return above >= 0 && below >= 0 && above > below;
}

// Once a modal dialog other than `after` shows and the window manager stacks it, calls then
// with it (which closes it, or opens another over it).
void whenDialogShows(QWidget *after, const std::function<void(QWidget *)> &then)
{
    QTimer::singleShot(50, [after, then] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (dialog && dialog != after && dialog->isVisible() &&
            xprop(nullptr, QStringLiteral("_NET_CLIENT_LIST_STACKING"))
                .contains(QString::number(dialog->winId(), 16)))
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

class TestX11Windows : public QObject
{
    Q_OBJECT
    QTemporaryDir m_settings;

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (./dev test starts one)");
    }

    void mainWindowPanelAndDialogs()
    {
        DialogForm1 form;
        form.setIniPath(m_settings.filePath(QStringLiteral("potero.ini")));
        form.load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        frmSet *panel = form.panel();
        QVERIFY(QTest::qWaitForWindowExposed(panel));

        QCOMPARE(form.size(), QSize(728, 219));
        QVERIFY(xprop(&form, QStringLiteral("_NET_WM_NAME"))
                    .contains(Form1::captionFor(QStringLiteral("tst_x11windows"))));

        QVERIFY(offers(&form, kFunctions, kClose));
        for (const auto &[field, bit] : {std::pair{kFunctions, kMinimize},
                                         {kFunctions, kMaximize},
                                         {kDecorations, kMinimizeButton},
                                         {kDecorations, kMaximizeButton}})
            QVERIFY(!offers(&form, field, bit));
        for (quint32 bit : {kClose, kMinimize, kMaximize})
            QVERIFY(!offers(panel, kFunctions, bit));

        const QString state = xprop(panel, QStringLiteral("_NET_WM_STATE"));
        QVERIFY2(state.contains(QLatin1String("_NET_WM_STATE_ABOVE")), qPrintable(state));
        QVERIFY2(state.contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR")), qPrintable(state));
        QVERIFY(
            !xprop(&form, QStringLiteral("_NET_WM_STATE")).contains(QLatin1String("SKIP_TASKBAR")));

        // Placed by default, the panel stands right under the main window's frame.
        QTRY_VERIFY(form.frameGeometry().height() > form.height());
        QCOMPARE(form.frameGeometry().topLeft(), QPoint(0, 0));
        QTRY_COMPARE(panel->frameGeometry().topLeft(), QPoint(0, form.frameGeometry().height()));

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
            if (!stackedAbove(dialog, panel))
                below << dialog->windowTitle();
            dialog->close();
        };
        // Each dialog, and the one it opens over itself: the box of the link without the
        // maker's library, the folder chooser.
        whenDialogShows(nullptr, [&](QWidget *dialog) {
            whenDialogShows(dialog, checkAndClose);
            static_cast<frmShowVersion *>(dialog)->Label5_Click();
            checkAndClose(dialog);
        });
        form.MnuHelpVer_Click();
        whenDialogShows(nullptr, [&](QWidget *dialog) {
            whenDialogShows(dialog, checkAndClose);
            static_cast<frmBrowseDir *>(dialog)->Command1->click();
            checkAndClose(dialog);
        });
        form.MnuEditHkPic_Click();
        whenDialogShows(nullptr, checkAndClose);
        form.messageBox(QStringLiteral("message"));
        whenDialogShows(nullptr, checkAndClose);
        form.C_Dialog1();
        QCOMPARE(checked, 6);
        QVERIFY2(below.isEmpty(), qPrintable(below.join(u',')));
    }
};

QTEST_MAIN(TestX11Windows)
#include "tst_x11windows.moc"
