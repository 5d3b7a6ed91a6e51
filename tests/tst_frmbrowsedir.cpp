#include "app/startup.h"
#include "dialogs/frmbrowsedir.h"
#include "support/golden.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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

    // It opens on the sign folder with the focus in the text box; Enter and Esc press nothing,
    // wherever the focus is.
    void keyboard()
    {
        Bus bus;
        auto dialog = bus.dialog();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QCOMPARE(dialog->Text1->text(), bus.signFolder);
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

    void eachOpeningIsAFreshDialogOnTheSignFolder()
    {
        QWidget owner;
        QString signFolder = QStringLiteral("/current/");
        QStringList seen;
        auto typeThenCancel = [&] {
            auto *dialog = qobject_cast<frmBrowseDir *>(QApplication::activeModalWidget());
            if (dialog == nullptr)
                return;
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
        for (const auto mode : {QFileDialog::ExistingFile, QFileDialog::Directory}) {
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
