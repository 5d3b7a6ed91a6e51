#include "app/startup.h"
#include "dialogs/frmbrowsedir.h"
#include "support/golden.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QString kBrowseTitle = QString::fromUtf8("方向幕のあるフォルダを選択してください");

// A sign folder, the bus's picDir and the folder chooser, each noting how it was used.
struct Bus
{
    QString signFolder;
    QStringList picDirSaw; // SignFolder as picDir found it, one entry a call
    QStringList chooserTitles;
    QString chooserAnswer;
    QWidget *chooserParent = nullptr;

    std::function<void()> picDir()
    {
        return [this] { picDirSaw << signFolder; };
    }
    void attach(frmBrowseDir &dialog)
    {
        dialog.setFolderChooser([this](QWidget *parent, const QString &title) {
            chooserParent = parent;
            chooserTitles << title;
            return chooserAnswer;
        });
    }
};

} // namespace

class TestFrmBrowseDir : public QObject
{
    Q_OBJECT
private slots:
    void looks()
    {
        QString folder = QStringLiteral("/home/user/Signs/");
        frmBrowseDir dialog(folder, {});
        POTERO_COMPARE_GOLDEN(&dialog, "window-frmBrowseDir");
    }

    void opensWithTheSignFolderAndTheFocusInText1()
    {
        Bus bus;
        bus.signFolder = QStringLiteral("/home/user/Signs/");
        frmBrowseDir dialog(bus.signFolder, bus.picDir());
        QCOMPARE(dialog.Text1->text(), bus.signFolder);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.Text1);
        const QList<QWidget *> order{dialog.Command1, dialog.Command2[0], dialog.Command2[1],
                                     dialog.Text1};
        for (QWidget *next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        for (QLabel *label : {dialog.Label1, dialog.Label2})
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }

    void browseReplacesTheTextOnly()
    {
        Bus bus;
        bus.signFolder = QStringLiteral("/old");
        bus.chooserAnswer = QStringLiteral("/media/Bus Signs");
        frmBrowseDir dialog(bus.signFolder, bus.picDir());
        bus.attach(dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_B, Qt::AltModifier);
        // A mnemonic presses the button visibly, releasing it a moment later.
        QTRY_COMPARE(bus.chooserTitles, QStringList{kBrowseTitle});
        QCOMPARE(bus.chooserParent, &dialog);
#ifdef _WIN32
        QCOMPARE(dialog.Text1->text(), QStringLiteral("\\media\\bus signs"));
#else
        // Linux names are case-sensitive: the folder is entered exactly as chosen.
        QCOMPARE(dialog.Text1->text(), QStringLiteral("/media/Bus Signs"));
#endif
        QCOMPARE(bus.signFolder, QStringLiteral("/old"));
        QVERIFY(bus.picDirSaw.isEmpty());
    }

    void browsedPathLimit_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("taken");
        const QString kana = QString::fromUtf8("あ"); // two bytes in CP932
        QTest::newRow("255 single-byte")
            << QLatin1Char('/') + QString(254, QLatin1Char('a')) << true;
        QTest::newRow("256 single-byte")
            << QLatin1Char('/') + QString(255, QLatin1Char('a')) << false;
        QTest::newRow("255 bytes with double-byte")
            << QLatin1Char('/') + kana.repeated(127) << true;
        QTest::newRow("257 bytes with double-byte")
            << QLatin1Char('/') + kana.repeated(128) << false;
        QTest::newRow("not in CP932") << QString::fromUtf8("/signs/café") << true;
        QTest::newRow("256 bytes not in CP932")
            << QString::fromUtf8("/é") + QString(253, QLatin1Char('a')) << false;
        QTest::newRow("chooser cancelled") << QString() << false;
    }
    void browsedPathLimit()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, taken);
        Bus bus;
        bus.chooserAnswer = chosen;
        frmBrowseDir dialog(bus.signFolder, bus.picDir());
        bus.attach(dialog);
        dialog.Text1->setText(QStringLiteral("/before"));
        dialog.Command1->click();
        QCOMPARE(dialog.Text1->text(), taken ? chosen : QStringLiteral("/before"));
        QCOMPARE(frmBrowseDir::enteredPath(chosen).has_value(), taken);
    }

    void okStoresTheTextThenCallsPicDir_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("typed");
        const auto row = [](const char *name, const char *before, const char *typed) {
            QTest::newRow(name) << QString::fromUtf8(before) << QString::fromUtf8(typed);
        };
        row("typed path", "/old/", "/New Signs");
        row("trailing separator kept", "", "/signs/");
        row("empty text", "/old/", "");
        row("unchanged", "/same/", "/same/");
        row("missing folder", "", "/no/such/folder");
    }
    void okStoresTheTextThenCallsPicDir()
    {
        QFETCH(QString, before);
        QFETCH(QString, typed);
        Bus bus;
        bus.signFolder = before;
        frmBrowseDir dialog(bus.signFolder, bus.picDir());
        dialog.show();
        dialog.Text1->setText(typed);
        QTest::mouseClick(dialog.Command2[0], Qt::LeftButton);
        QCOMPARE(bus.signFolder, typed);
        QCOMPARE(bus.picDirSaw, QStringList{typed});
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void cancelAndTheWindowsCloseChangeNothing_data()
    {
        QTest::addColumn<bool>("byCloseEvent");
        QTest::newRow("Command2(1)") << false;
        QTest::newRow("close forced by the window manager") << true;
    }
    void cancelAndTheWindowsCloseChangeNothing()
    {
        QFETCH(bool, byCloseEvent);
        Bus bus;
        bus.signFolder = QStringLiteral("/kept/");
        bus.chooserAnswer = QStringLiteral("/browsed");
        frmBrowseDir dialog(bus.signFolder, bus.picDir());
        bus.attach(dialog);
        dialog.show();
        dialog.Command1->click();
        QCOMPARE(dialog.Text1->text(), QStringLiteral("/browsed"));
        if (byCloseEvent)
            dialog.close();
        else
            QTest::mouseClick(dialog.Command2[1], Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(bus.signFolder, QStringLiteral("/kept/"));
        QVERIFY(bus.picDirSaw.isEmpty());
    }

    void enterAndEscPressNothing_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::newRow("Enter in Text1") << "Text1" << int(Qt::Key_Return);
        QTest::newRow("Esc in Text1") << "Text1" << int(Qt::Key_Escape);
        QTest::newRow("Enter on OK") << "Command2(0)" << int(Qt::Key_Return);
        QTest::newRow("Esc on Cancel") << "Command2(1)" << int(Qt::Key_Escape);
        QTest::newRow("Enter on Browse") << "Command1" << int(Qt::Key_Return);
    }
    void enterAndEscPressNothing()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        Bus bus;
        bus.signFolder = QStringLiteral("/kept/");
        frmBrowseDir dialog(bus.signFolder, bus.picDir());
        bus.attach(dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.Text1->setText(QStringLiteral("/typed"));
        auto *target = dialog.findChild<QWidget *>(focus);
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QVERIFY(dialog.isVisible());
        QCOMPARE(bus.signFolder, QStringLiteral("/kept/"));
        QVERIFY(bus.picDirSaw.isEmpty());
        QVERIFY(bus.chooserTitles.isEmpty());
    }

    void eachOpeningStartsFromTheSignFolder()
    {
        QWidget owner;
        QString signFolder = QStringLiteral("/current/");
        QStringList seen;
        auto typeThenCancel = [&] {
            auto *dialog = qobject_cast<frmBrowseDir *>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                seen << QStringLiteral("no dialog");
                return;
            }
            seen << dialog->Text1->text() + (dialog->parentWidget() == &owner ? " owned" : "");
            dialog->Text1->setText(QStringLiteral("/typed but cancelled"));
            dialog->Command2[1]->click();
        };
        for (int opening = 0; opening < 2; ++opening) {
            QTimer::singleShot(0, typeThenCancel);
            frmBrowseDir::showModal(signFolder, {}, &owner);
        }
        QCOMPARE(seen, QStringList(2, QStringLiteral("/current/ owned")));
        QVERIFY(owner.findChildren<frmBrowseDir *>().isEmpty());
    }

    // The toolkit's own dialogs, the open-file dialog and the folder chooser, speak the
    // desktop's language as the rest of the program does.
    void toolkitDialogsInJapanese()
    {
        QVERIFY(installToolkitTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
        for (const QFileDialog::FileMode mode :
             {QFileDialog::ExistingFile, QFileDialog::Directory}) {
            QFileDialog dialog;
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setFileMode(mode);
            QStringList texts;
            for (const QPushButton *button : dialog.findChildren<QPushButton *>())
                texts << button->text();
            const QString all = texts.join(u' ');
            QVERIFY2(all.contains(QString::fromUtf8("キャンセル")), qPrintable(all));
            if (mode == QFileDialog::ExistingFile)
                QVERIFY2(all.contains(QString::fromUtf8("開く")), qPrintable(all));
        }
    }
};

QTEST_MAIN(TestFrmBrowseDir)
#include "tst_frmbrowsedir.moc"
