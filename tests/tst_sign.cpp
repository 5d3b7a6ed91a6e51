// What the window adds to the sign's stepping rules of busview: the sign folder's list, the
// keys and keypad reaching the rules, the picture shown, the folder step's failures.

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "dialogs/frmbrowsedir.h"
#include "panel/frmset.h"
#include "support/notingform1.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

namespace {

int shownWidth(const Form1 &form)
{
    return form.ImgDesiMaku->picture().deviceIndependentSize().toSize().width();
}

} // namespace

class TestSign : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_folder;

private slots:
    void initTestCase()
    {
        m_folder = m_dir.filePath(QStringLiteral("signs"));
        QVERIFY(QDir().mkpath(m_folder));
        // Pictures whose widths tell them apart, in name order: a 11, B 12, broken (not a
        // picture), c 14 (a bitmap under a GIF name still loads); d.txt is not listed.
        for (const auto &[name, width, format] : {std::tuple{"a.bmp", 11, "BMP"},
                                                  {"B.jpg", 12, "JPEG"},
                                                  {"c.GIF", 14, "BMP"},
                                                  {"d.txt", 99, "BMP"}})
            QVERIFY(writePicture(m_folder + "/" + name, QSize(width, 8), format));
        QFile broken(m_folder + "/broken.bmp");
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("text, not a bitmap") > 0);
    }

    // The keys reach the sign box as the stepper's codes; the window adds the separator, the
    // list's count and the picture shown.
    void arrowKeys()
    {
        NotingForm1 form;
        form.SignFolder = m_folder;
        form.picDir();
        QTest::keyClick(form.Picture1, Qt::Key_Up);
        QCOMPARE(form.SignIndex, 0);
        QCOMPARE(form.SignFolder, m_folder + "/");
        QTest::keyClick(form.Picture1, Qt::Key_Down);
        QCOMPARE(shownWidth(form), 12);
        // Onto a file that is not a picture: the index moves, the sign keeps its picture.
        QTest::keyClick(form.Picture1, Qt::Key_Down);
        QCOMPARE(form.SignIndex, 2);
        QCOMPARE(shownWidth(form), 12);
        QTest::keyClick(form.Picture1, Qt::Key_Down);
        QCOMPARE(shownWidth(form), 14);
        QTest::keyClick(form.Picture1, Qt::Key_Down); // the last stays
        QTest::keyClick(form.Picture1, Qt::Key_Up, Qt::ShiftModifier);
        // Other keys, '&' and '(' among them, are not arrows.
        QTest::keyClick(form.Picture1, Qt::Key_Ampersand);
        QTest::keyClick(form.Picture1, Qt::Key_ParenLeft);
        QCOMPARE(form.SignIndex, 2);
        form.EnsureTrailingSeparator();
        QCOMPARE(form.SignFolder, m_folder + "/");
    }

    void keypad()
    {
        NotingForm1 form;
        frmSet *panel = form.panel();
        form.SignFolder = m_folder;
        form.picDir();
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        auto press = [&](std::initializer_list<int> keys) {
            for (int key : keys)
                QTest::mouseClick(panel->Command2[key], Qt::LeftButton);
        };
        press({0, 3, 11}); // show "03"
        QCOMPARE(panel->Label1->text(), QStringLiteral("03"));
        QCOMPARE(form.SignFolder, m_folder + "/");
        QCOMPARE(shownWidth(form), 14);
        QCOMPARE(form.SignIndex, 0);
        // The arrows go on from their own position, not the keyed one.
        form.Picture1_KeyDown(Form1::kKeyDown, 0);
        QCOMPARE(shownWidth(form), 12);
        press({10, 11}); // the empty display is position 0
        QCOMPARE(panel->Label1->text(), QString());
        QCOMPARE(shownWidth(form), 11);
        press({4, 11}); // at the count: nothing
        QCOMPARE(shownWidth(form), 11);
        QCOMPARE(form.SignIndex, 1);
    }

    void folderStep()
    {
        NotingForm1 form;
        const int placeholder = shownWidth(form);
        form.SignFolder = m_folder;
        form.SignIndex = 3;
        form.picDir();
        QVERIFY(form.messages.isEmpty());
        QCOMPARE(form.File1.count(), 4);
        QCOMPARE(shownWidth(form), placeholder);
        QCOMPARE(form.SignIndex, 3);
        // A missing folder asks again; the list keeps the folder it had, the rejected path stays
        // for the dialog to show.
        form.SignFolder = m_folder + "/not here";
        form.picDir();
        QCOMPARE(form.messages, QStringList{QString::fromUtf8(
                                    "指定したパスが見つかりません。再度指定しなおしてください。")});
        QCOMPARE(form.calls.count(QStringLiteral("MnuEditHkPic_Click")), 1);
        QCOMPARE(form.File1.count(), 4);
        QCOMPARE(form.SignFolder, m_folder + "/not here");
    }

    // The folder dialog's OK runs the folder step while that dialog is still open; a missing
    // folder then asks again in a second dialog that shows the rejected path.
    void missingFolderReopensTheDialogWhileItIsOpen()
    {
        NotingForm1 form;
        form.realFolderDialog = true;
        form.show();
        const QString missing = m_folder + QStringLiteral("/gone");
        QStringList seen;
        QTimer driver;
        driver.setInterval(10);
        connect(&driver, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<frmBrowseDir *>(QApplication::activeModalWidget());
            if (!dialog || dialog->property("answered").toBool())
                return;
            dialog->setProperty("answered", true);
            seen << dialog->Text1->text();
            dialog->Text1->setText(seen.size() == 1 ? missing : m_folder);
            // Clicked from the event loop, so this timer can answer the nested dialog too.
            QTimer::singleShot(
                0, dialog, [dialog] { QTest::mouseClick(dialog->Command2[0], Qt::LeftButton); });
        });
        driver.start();
        form.MnuEditHkPic_Click();
        driver.stop();
        QCOMPARE(seen, (QStringList{QString(), missing}));
        QCOMPARE(form.messages.size(), 1);
        QCOMPARE(form.SignFolder, m_folder);
        QCOMPARE(form.File1.count(), 4);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void otherFolderFailuresAreDescribed()
    {
        if (geteuid() == 0)
            QSKIP("an unreadable folder cannot be made as root");
        const QString locked = m_dir.filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(locked));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        NotingForm1 form;
        form.SignFolder = locked;
        form.picDir();
        QCOMPARE(form.messages.size(), 1);
        QVERIFY(!form.messages.first().isEmpty());
        QCOMPARE(form.calls.count(QStringLiteral("MnuEditHkPic_Click")), 0);
    }
};

QTEST_MAIN(TestSign)
#include "tst_sign.moc"
