#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "dialogs/frmbrowsedir.h"
#include "panel/frmset.h"

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

// A picture whose width tells which file it came from.
void writePicture(const QString &path, int width, const char *format = "BMP")
{
    QImage image(width, 8, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QVERIFY(image.save(path, format));
}

int shownWidth(const Form1 &form)
{
    return form.ImgDesiMaku->picture().deviceIndependentSize().toSize().width();
}

// A main window that notes its messages and, unless asked for the real one, its folder dialogs.
class SignForm1 : public Form1
{
public:
    QStringList messages;
    int folderDialogs = 0;
    bool realDialog = false;
    void MnuEditHkPic_Click() override
    {
        ++folderDialogs;
        if (realDialog)
            Form1::MnuEditHkPic_Click();
    }

protected:
    void messageBox(const QString &text) override { messages << text; }
};

} // namespace

class TestSign : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_folder;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_folder = m_dir.path() + QStringLiteral("/signs");
        QVERIFY(QDir().mkpath(m_folder));
        // Widths 11, 12, 13 ... in name order; d.txt is not listed, broken.bmp is not a picture.
        writePicture(m_folder + "/a.bmp", 11);
        writePicture(m_folder + "/B.jpg", 12, "JPEG");
        QFile broken(m_folder + "/broken.bmp");
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("this is text, not a bitmap");
        broken.close();
        writePicture(m_folder + "/c.GIF", 14); // a bitmap under a GIF name still loads
        writePicture(m_folder + "/d.txt", 99);
        for (int i = 4; i < 14; ++i)
            writePicture(m_folder + QStringLiteral("/e%1.bmp").arg(i, 2, 10, QChar(u'0')), 11 + i);
    }

    void folderStepKeepsTheSign()
    {
        SignForm1 form;
        const int placeholder = shownWidth(form);
        form.SignFolder = m_folder;
        form.SignIndex = 3;
        form.picDir();
        QVERIFY(form.messages.isEmpty());
        QCOMPARE(form.File1.count(), 14);
        QCOMPARE(*form.File1.entry(0), QStringLiteral("a.bmp"));
        QCOMPARE(*form.File1.entry(3), QStringLiteral("c.GIF"));
        QCOMPARE(shownWidth(form), placeholder);
        QCOMPARE(form.SignIndex, 3);
        QCOMPARE(form.SignFolder, m_folder);
    }

    // The keys reach the sign box as the stepper's codes; the window adds the separator, the
    // list's count and the picture shown.
    void arrowKeys()
    {
        SignForm1 form;
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
        QTest::keyClick(form.Picture1, Qt::Key_Up, Qt::ShiftModifier);
        // Other keys, '&' and '(' among them, are not arrows.
        QTest::keyClick(form.Picture1, Qt::Key_Ampersand);
        QTest::keyClick(form.Picture1, Qt::Key_ParenLeft);
        QCOMPARE(form.SignIndex, 2);
        form.SignIndex = 13;
        QTest::keyClick(form.Picture1, Qt::Key_Down);
        QCOMPARE(form.SignIndex, 13);
        form.SignFolder = m_folder + "/";
        form.EnsureTrailingSeparator();
        QCOMPARE(form.SignFolder, m_folder + "/");
    }

    void keypad()
    {
        SignForm1 form;
        frmSet *panel = form.panel();
        form.SignFolder = m_folder;
        form.picDir();
        auto press = [&](int index) { QTest::mouseClick(panel->Command2[index], Qt::LeftButton); };
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel));

        press(1);
        press(2);
        QCOMPARE(panel->Label1->text(), QStringLiteral("12"));
        press(11);
        QCOMPARE(form.SignFolder, m_folder + "/");
        QCOMPARE(shownWidth(form), 11 + 12);
        QCOMPARE(form.SignIndex, 0);
        QCOMPARE(panel->Label1->text(), QStringLiteral("12"));
        // The arrows go on from their own position, not the keyed one.
        form.Picture1_KeyDown(Form1::kKeyDown, 0);
        QCOMPARE(shownWidth(form), 12);

        press(10);
        QCOMPARE(panel->Label1->text(), QString());
        press(11); // the empty display is position 0
        QCOMPARE(shownWidth(form), 11);

        for (int digit : {3, 2, 7, 6, 8, 9})
            press(digit);
        press(11); // above 32767: nothing
        QCOMPARE(shownWidth(form), 11);
        press(10);
        for (int digit : {0, 0, 1, 4})
            press(digit);
        press(11); // at the count: nothing
        QCOMPARE(shownWidth(form), 11);
        QCOMPARE(form.SignIndex, 1);
    }

    void missingFolderAsksAgain()
    {
        SignForm1 form;
        form.SignFolder = m_folder;
        form.picDir();
        form.SignFolder = m_folder + "/not here";
        form.picDir();
        QCOMPARE(form.messages, QStringList{QString::fromUtf8(
                                    "指定したパスが見つかりません。再度指定しなおしてください。")});
        QCOMPARE(form.folderDialogs, 1);
        // The list keeps the folder it had; the rejected path stays for the dialog to show.
        QCOMPARE(form.File1.count(), 14);
        QCOMPARE(form.SignFolder, m_folder + "/not here");
    }

    // The folder dialog's OK runs the folder step while that dialog is still open; a missing
    // folder then asks again in a second dialog that shows the rejected path.
    void missingFolderReopensTheDialogWhileItIsOpen()
    {
        SignForm1 form;
        form.realDialog = true;
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
        QCOMPARE(form.File1.count(), 14);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void otherFolderFailuresAreDescribed()
    {
        if (geteuid() == 0)
            QSKIP("an unreadable folder cannot be made as root");
        const QString locked = m_dir.path() + QStringLiteral("/locked");
        QVERIFY(QDir().mkpath(locked));
        QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        SignForm1 form;
        form.SignFolder = locked;
        form.picDir();
        QCOMPARE(form.messages.size(), 1);
        QVERIFY(!form.messages.first().isEmpty());
        QCOMPARE(form.folderDialogs, 0);
    }
};

QTEST_MAIN(TestSign)
#include "tst_sign.moc"
