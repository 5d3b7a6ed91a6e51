#include "dialogs/frmshowversion.h"

#include "homepage.h"
#include "support/golden.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

const QString kErrorTitle = QString::fromUtf8("Orvhpurl.dllのエラー");
const QString kRequest = QString::fromUtf8(" 上記内容をオルヴェルトHP関係者まで報告してください。");

// Notes what the link did, with the browser and the error box replaced.
void recordLink(frmShowVersion &dialog, QStringList &calls)
{
    dialog.setUrlOpener([&calls](const QUrl &url) {
        calls << QStringLiteral("open ") + url.toString();
        return true;
    });
    dialog.setErrorReporter([&calls](QWidget *, const QString &title, const QString &text) {
        calls << QStringLiteral("error ") + title + QLatin1Char('|') + text;
    });
}

// Child mode: a renamed copy of this program prints its model line and what the link does
// with whatever library lies in its folder.
int runChild()
{
    frmShowVersion dialog;
    QStringList calls{dialog.Label1[1]->text()};
    recordLink(dialog, calls);
    dialog.Label5_Click();
    std::printf("%s\n", calls.join(QLatin1Char('\n')).toUtf8().constData());
    return 0;
}

// Runs a copy of this test named name in a folder of its own; the real library waits in
// the working folder and on the search path, and only one beside the copy may count.
QStringList runRenamedCopy(const QString &name, bool withLibrary)
{
    QTemporaryDir folder;
    const QString copy = folder.filePath(name);
    const QFileInfo library(QString::fromUtf8(ZOR7RES_FILE));
    if (!QFile::copy(QCoreApplication::applicationFilePath(), copy) ||
        (withLibrary && !QFile::copy(library.filePath(), folder.filePath(library.fileName()))))
        return {QStringLiteral("copy failed")};
    QProcess child;
    child.setWorkingDirectory(library.absolutePath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"), library.absolutePath());
    child.setProcessEnvironment(environment);
    child.start(copy, {QStringLiteral("--child")});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return {QStringLiteral("child failed"), QString::fromUtf8(child.readAllStandardError())};
    return QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
}

} // namespace

class TestFrmShowVersion : public QObject
{
    Q_OBJECT
private slots:
    void looks()
    {
        frmShowVersion dialog;
        POTERO_COMPARE_GOLDEN(&dialog, "window-frmShowVersion");
    }

    // Only OK takes the focus, and only it closes the dialog: not Esc, not a click elsewhere.
    void onlyCommand1TakesTheFocusAndCloses()
    {
        frmShowVersion dialog;
        QStringList calls;
        recordLink(dialog, calls);
        for (QWidget *control : dialog.findChildren<QWidget *>())
            QCOMPARE(control->focusPolicy() != Qt::NoFocus, control == dialog.Command1);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Escape}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            QCOMPARE(QApplication::focusWidget(), dialog.Command1);
        }
        for (QLabel *label : {dialog.Image1, dialog.Label1[0], dialog.Label3[2], dialog.Label4})
            QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(dialog.isVisible() && calls.isEmpty());
        QTest::keyClick(dialog.Command1, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
    }

    void showModalRunsAFreshDialogOverTheOwner()
    {
        QWidget owner;
        owner.show();
        QString seen = QStringLiteral("no modal dialog");
        QTimer::singleShot(0, [&] {
            if (auto *dialog = qobject_cast<frmShowVersion *>(QApplication::activeModalWidget())) {
                seen = dialog->parentWidget() == &owner ? QStringLiteral("owned") : QString();
                QTest::mouseClick(dialog->Command1, Qt::LeftButton);
            }
        });
        frmShowVersion::showModal(&owner);
        QCOMPARE(seen, QStringLiteral("owned"));
        QVERIFY(owner.findChildren<frmShowVersion *>().isEmpty());
    }

    void linkOpensTheAddressOnEachLeftClick()
    {
        frmShowVersion dialog;
        QStringList calls;
        recordLink(dialog, calls);
        dialog.setAddressSource([] {
            return MakerLibrary::Answer{QStringLiteral("https://www.example.org/potero/"), {}};
        });
        dialog.show();
        QTest::mouseClick(dialog.Label5, Qt::RightButton);
        QTest::mouseClick(dialog.Label5, Qt::MiddleButton);
        // Pressed on the link and let go outside it: no click.
        QTest::mousePress(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(dialog.Label5, Qt::LeftButton, {}, QPoint(-20, 5));
        QVERIFY(calls.isEmpty());
        QTest::mouseClick(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(calls, QStringList(2, QStringLiteral("open https://www.example.org/potero/")));
        QVERIFY(dialog.isVisible());
    }

    void libraryErrorIsACriticalBoxAndTheDialogStays()
    {
        frmShowVersion dialog;
        dialog.setAddressSource([] { return MakerLibrary::Answer{{}, QStringLiteral("gone")}; });
        dialog.show();
        QStringList seen;
        for (int click = 0; click < 2; ++click) {
            QTimer::singleShot(0, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (box == nullptr)
                    return;
                seen << QStringLiteral("%1|%2|%3|%4")
                            .arg(box->windowTitle(), box->text())
                            .arg(box->icon())
                            .arg(box->standardButtons());
                box->button(QMessageBox::Ok)->click();
            });
            QTest::mouseClick(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));
            QVERIFY(dialog.isVisible());
        }
        const QString expected = QStringLiteral("%1|gone\r\n\r\n%2|%3|%4")
                                     .arg(kErrorTitle, kRequest)
                                     .arg(QMessageBox::Critical)
                                     .arg(QMessageBox::Ok);
        QCOMPARE(seen, QStringList(2, expected));
    }

    void renamedCopyUsesItsNameAndOnlyTheLibraryBesideIt()
    {
        const QString address = QUrl(QString::fromUtf8(ZOR7RES_HOME_PAGE)).toString();
        QStringList lines = runRenamedCopy(QStringLiteral("abc"), true);
        QCOMPARE(lines.value(0), QString::fromUtf8("型番・製造番号：abc"));
        QCOMPARE(lines.value(1), QStringLiteral("open ") + address);
        // Without a library beside it, the one in the working folder and on the search path
        // is not loaded: the error is reported.
        lines = runRenamedCopy(QStringLiteral("without-library"), false);
        const QString all = lines.join(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QString::fromUtf8("型番・製造番号：without-library"));
        QVERIFY2(lines.value(1).startsWith(QStringLiteral("error ") + kErrorTitle),
                 qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("\r\n\r\n") + kRequest), qPrintable(all));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0)
        return runChild();
    TestFrmShowVersion test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_frmshowversion.moc"
