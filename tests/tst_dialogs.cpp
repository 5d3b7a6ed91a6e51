// The two dialogs: the version dialog's focus and link, with the maker's library found only
// beside the executable; the folder dialog's keys, path limit and closing.

#include "app/startup.h"
#include "dialogs/frmbrowsedir.h"
#include "dialogs/frmshowversion.h"
#include "homepage.h"
#include "platform/makerlibrary.h"
#include "support/golden.h"
#include "support/verifyok.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <dlfcn.h>

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

// The maker's library.

const QString kReal = QString::fromUtf8(ZOR7RES_FILE);
const QString kHomePage = QString::fromUtf8(ZOR7RES_HOME_PAGE);

QString inFolder(const char *folder)
{
    return QDir(QString::fromUtf8(folder)).filePath(MakerLibrary::fileName());
}

} // namespace

// The sign folder and the bus's picDir, and a folder chooser, each noting how it was used.
struct Bus
{
    QString signFolder = QStringLiteral("/kept/");
    QStringList picDirSaw; // SignFolder as picDir found it, one entry a call
    QStringList chooser;   // the chooser's title and parent, one entry a call
    QString chooserAnswer = QStringLiteral("/media/Bus Signs");

    std::unique_ptr<frmBrowseDir> dialog()
    {
        auto made = std::make_unique<frmBrowseDir>(signFolder, [this] { picDirSaw << signFolder; });
        made->setFolderChooser([this, owner = made.get()](QWidget *parent, const QString &title) {
            chooser << title + (parent == owner ? " over the dialog" : "");
            return chooserAnswer;
        });
        return made;
    }
};

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    void looks()
    {
        frmShowVersion dialog;
        POTERO_COMPARE_GOLDEN(&dialog, "window-frmShowVersion");
        QString folder = QStringLiteral("/home/user/Signs/");
        frmBrowseDir browser(folder, {});
        POTERO_COMPARE_GOLDEN(&browser, "window-frmBrowseDir");
    }

    // Only OK takes the focus, and only it closes the dialog: not Esc, not a click elsewhere.
    // The link opens the address on each left click pressed and let go on it.
    void focusClosingAndTheLink()
    {
        frmShowVersion dialog;
        QStringList calls;
        recordLink(dialog, calls);
        dialog.setAddressSource(
            [] { return Result<QString>(QStringLiteral("https://www.example.org/potero/")); });
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
        QTest::mouseClick(dialog.Label5, Qt::RightButton);
        QTest::mouseClick(dialog.Label5, Qt::MiddleButton);
        QTest::mousePress(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(dialog.Label5, Qt::LeftButton, {}, QPoint(-20, 5)); // outside it
        QTest::mouseRelease(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));   // a lone release
        QVERIFY(calls.isEmpty());
        QTest::mouseClick(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(calls, QStringList(2, QStringLiteral("open https://www.example.org/potero/")));
        QVERIFY(dialog.isVisible());
        QTest::keyClick(dialog.Command1, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
    }

    // The box is critical, with OK alone, and the dialog stays; a second click shows it again
    // (e2e/defaults.sh).
    void libraryErrorIsACriticalBoxAndTheDialogStays()
    {
        frmShowVersion dialog;
        dialog.setAddressSource([] { return Result<QString>(Error{QStringLiteral("gone")}); });
        dialog.show();
        QStringList seen;
        QTimer::singleShot(0, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << box->windowTitle() << box->text() << QString::number(box->icon())
                     << QString::number(box->standardButtons());
                box->button(QMessageBox::Ok)->click();
            }
        });
        QTest::mouseClick(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(dialog.isVisible());
        QCOMPARE(seen, (QStringList{kErrorTitle, QStringLiteral("gone\r\n\r\n") + kRequest,
                                    QString::number(QMessageBox::Critical),
                                    QString::number(QMessageBox::Ok)}));
    }

    // It opens with the focus in the text box; Enter and Esc press nothing,
    // wherever the focus is.
    void keyboard()
    {
        Bus bus;
        auto dialog = bus.dialog();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QCOMPARE(QApplication::focusWidget(), dialog->Text1);
        dialog->Text1->setText(QStringLiteral("/typed"));
        for (QWidget *next : std::initializer_list<QWidget *>{dialog->Command1, dialog->Command2[0],
                                                              dialog->Command2[1], dialog->Text1}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QVERIFY(dialog->isVisible());
        QCOMPARE(bus.signFolder, QStringLiteral("/kept/"));
        QVERIFY(bus.picDirSaw.isEmpty() && bus.chooser.isEmpty());
        // Alt+B browses, pressing the button visibly and releasing it a moment later; the
        // chosen folder is entered as it was chosen, names being case-sensitive.
        QTest::keyClick(dialog.get(), Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(bus.chooser, QStringList{QString::fromUtf8(
                                      "方向幕のあるフォルダを選択してください over the dialog")});
        QCOMPARE(dialog->Text1->text(), bus.chooserAnswer);
        QCOMPARE(bus.signFolder, QStringLiteral("/kept/"));
    }

    void browsedPathLimit_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("taken");
        const auto path = [](const char *first, const char *rest, int times) {
            return QString::fromUtf8(first) + QString::fromUtf8(rest).repeated(times);
        };
        // "あ" is two bytes in CP932.
        QTest::newRow("255 single-byte") << path("/", "a", 254) << true;
        QTest::newRow("256 single-byte") << path("/", "a", 255) << false;
        QTest::newRow("255 bytes with double-byte") << path("/", "あ", 127) << true;
        QTest::newRow("257 bytes with double-byte") << path("/", "あ", 128) << false;
        QTest::newRow("not in CP932") << path("/signs/café", "", 0) << true;
        QTest::newRow("256 bytes not in CP932") << path("/é", "a", 253) << false;
        QTest::newRow("chooser cancelled") << QString() << false;
    }
    void browsedPathLimit()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, taken);
        Bus bus;
        bus.chooserAnswer = chosen;
        auto dialog = bus.dialog();
        dialog->Command1->click();
        QCOMPARE(dialog->Text1->text(), taken ? chosen : bus.signFolder);
    }

    // OK stores the text, whatever it is, then calls picDir; Cancel and a close by the window
    // manager change nothing.
    void closing_data()
    {
        QTest::addColumn<int>("how"); // 0 OK, 1 Cancel, 2 closed
        QTest::addColumn<QString>("typed");
        QTest::newRow("OK") << 0 << "/New Signs";
        QTest::newRow("OK on an empty text") << 0 << "";
        QTest::newRow("Cancel") << 1 << "/typed";
        QTest::newRow("closed") << 2 << "/typed";
    }
    void closing()
    {
        QFETCH(int, how);
        QFETCH(QString, typed);
        Bus bus;
        auto dialog = bus.dialog();
        dialog->show();
        dialog->Text1->setText(typed);
        if (how == 2)
            dialog->close();
        else
            QTest::mouseClick(dialog->Command2[how], Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), how == 0 ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(bus.signFolder, how == 0 ? typed : QStringLiteral("/kept/"));
        QCOMPARE(bus.picDirSaw, how == 0 ? QStringList{typed} : QStringList());
    }

    // Each opening is a fresh modal dialog over its owner, gone once closed; the folder dialog
    // shows the sign folder as it is, not what the last one was left with.
    void eachOpeningIsAFreshDialogOverTheOwner()
    {
        QWidget owner;
        QStringList seen;
        const auto closeTheNextOne = [&] {
            QTimer::singleShot(0, [&] {
                QWidget *dialog = QApplication::activeModalWidget();
                seen << (dialog && dialog->parentWidget() == &owner ? "owned" : "not owned");
                if (auto *browser = qobject_cast<frmBrowseDir *>(dialog)) {
                    seen << browser->Text1->text();
                    browser->Text1->setText(QStringLiteral("/typed but cancelled"));
                    browser->Command2[1]->click();
                } else if (auto *version = qobject_cast<frmShowVersion *>(dialog)) {
                    QTest::mouseClick(version->Command1, Qt::LeftButton);
                }
            });
        };
        closeTheNextOne();
        frmShowVersion::showModal(&owner);
        QString signFolder = QStringLiteral("/current/");
        for (int opening = 0; opening < 2; ++opening) {
            closeTheNextOne();
            frmBrowseDir::showModal(signFolder, {}, &owner);
        }
        QCOMPARE(seen, (QStringList{"owned", "owned", "/current/", "owned", "/current/"}));
        QVERIFY(owner.findChildren<QDialog *>().isEmpty());
    }

    // The toolkit's own dialogs, the open-file dialog and the folder chooser, speak the
    // desktop's language as the rest of the program does.
    void toolkitDialogsInJapanese()
    {
        QVERIFY(installToolkitTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QStringList texts;
        for (const QPushButton *button : dialog.findChildren<QPushButton *>())
            texts << button->text();
        const QString all = texts.join(u' ');
        QVERIFY2(all.contains(QString::fromUtf8("開く")) &&
                     all.contains(QString::fromUtf8("キャンセル")),
                 qPrintable(all));
    }

    // Missing, not a library, without the export; then the real one is put in place, and the
    // failed load is tried again.
    void failuresNameTheCauseAndAreTriedAgain()
    {
        QTemporaryDir folder;
        MakerLibrary library(folder.path());
        const auto fails = [&](const QString &mentions) {
            const Result<QString> address = library.homePageAddress();
            QVERIFY2(reasonOf(address).contains(mentions.toUtf8()), reasonOf(address));
        };
        fails(MakerLibrary::fileName());
        QFile file(library.path());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not an ELF file") > 0);
        file.close();
        fails(MakerLibrary::fileName());
        QVERIFY(QFile::remove(library.path()) &&
                QFile::copy(inFolder(NOEXPORT_FOLDER), library.path()));
        fails(QStringLiteral("OrveltHpURL"));
        QVERIFY(QFile::remove(library.path()) && QFile::copy(kReal, library.path()));
        QCOMPARE(library.homePageAddress().value(), kHomePage);
        QCOMPARE(library.homePageAddress().value(), kHomePage); // and again, from the same load
    }

    // The maker's library is taken from beside the executable alone: the golden picture of the
    // version dialog shows the executable's name, and the packaging and end-to-end tests follow
    // the link to the library beside it. Without one beside this test, the look-alike in the
    // working folder and on the search path is not loaded.
    void lookAlikeElsewhereIsNeverLoaded()
    {
        frmShowVersion dialog;
        QStringList calls;
        recordLink(dialog, calls);
        dialog.Label5_Click();
        QVERIFY2(calls.value(0).startsWith(QStringLiteral("error ") + kErrorTitle),
                 qPrintable(calls.join(u'\n')));
        QVERIFY2(QFile::exists(inFolder(PLANTED_FOLDER)), qPrintable(inFolder(PLANTED_FOLDER)));
        // The test runs in the look-alike's folder, with that folder on the search path.
        QVERIFY(QDir::setCurrent(QString::fromUtf8(PLANTED_FOLDER)));
        QTemporaryDir empty;
        for (const QString &folder :
             {empty.path(), QString(), QStringLiteral("."), QStringLiteral("../zor7res_planted")}) {
            MakerLibrary library(folder);
            QVERIFY2(!library.homePageAddress().ok(), qPrintable(folder));
        }
        // Nor has it been mapped into this process by any other means.
        QCOMPARE(dlopen(QFile::encodeName(inFolder(PLANTED_FOLDER)), RTLD_NOW | RTLD_NOLOAD),
                 nullptr);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
