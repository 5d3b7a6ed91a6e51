#include "dialogs/frmshowversion.h"

#include "homepage.h"

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

QRect pixels(double left, double top, double width, double height)
{
    auto px = [](double t) { return qRound(t / 15.0); };
    return QRect(px(left), px(top), px(width), px(height));
}

const QString kErrorTitle = QString::fromUtf8("Orvhpurl.dllのエラー");
const QString kRequest = QString::fromUtf8(" 上記内容をオルヴェルトHP関係者まで報告してください。");

// Notes what the link did, with the browser and the error box replaced.
struct LinkRecord
{
    QStringList calls;

    explicit LinkRecord(frmShowVersion &dialog)
    {
        dialog.setUrlOpener([this](const QUrl &url) {
            calls << QStringLiteral("open ") + url.toString();
            return true;
        });
        dialog.setErrorReporter([this](QWidget *, const QString &title, const QString &text) {
            calls << QStringLiteral("error ") + title + QLatin1Char('|') + text;
        });
    }
};

Result<QString> address(const char *text)
{
    return QString::fromUtf8(text);
}

void clickLink(frmShowVersion &dialog)
{
    QTest::mouseClick(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));
}

// Child mode: a renamed copy of this program prints its model line and what the link does
// with whatever library lies in its folder.
int runChild()
{
    frmShowVersion dialog;
    LinkRecord record(dialog);
    dialog.Label5_Click();
    record.calls.prepend(dialog.Label1[1]->text());
    std::printf("%s\n", record.calls.join(QLatin1Char('\n')).toUtf8().constData());
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
    void window()
    {
        frmShowVersion dialog;
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8("ポテロのバージョン情報"));
        QCOMPARE(dialog.size(), QSize(333, 223));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        const Qt::WindowFlags flags = dialog.windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(!(flags & (Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::WindowMinMaxButtonsHint)));
        QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
        QCOMPARE(dialog.palette().color(QPalette::Window), QColor(255, 255, 255));
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("expected");
        QTest::addColumn<QColor>("background"); // invalid: drawn on the dialog's white
        QTest::addColumn<QColor>("text");
        const QColor plate(78, 78, 78), yellow(255, 255, 0), white(255, 255, 255);
        const QColor face = QApplication::palette().color(QPalette::Button);
        // The icon is drawn at its own 32 x 32 size.
        QTest::newRow("Image1") << "Image1" << QRect(19, 11, 32, 32) << QColor() << QColor();
        QTest::newRow("Label1(0)") << "Label1(0)" << pixels(900, 240, 3840, 330) << plate << yellow;
        QTest::newRow("Label1(1)") << "Label1(1)" << pixels(165, 720, 4605, 270) << plate << yellow;
        QTest::newRow("Label2") << "Label2" << pixels(165, 1035, 3225, 225) << plate << yellow;
        QTest::newRow("Label3(0)") << "Label3(0)" << pixels(165, 1290, 3225, 240) << plate << white;
        QTest::newRow("Label3(1)") << "Label3(1)" << pixels(165, 1545, 3225, 240) << plate << white;
        QTest::newRow("Label3(2)") << "Label3(2)" << pixels(150, 1860, 4650, 885) << plate << white;
        QTest::newRow("Label4") << "Label4" << pixels(15, 2835, 4965, 60) << face << QColor();
        QTest::newRow("Label5") << "Label5" << pixels(240, 2985, 3315, 225) << QColor()
                                << QColor(0, 0, 255);
        QTest::newRow("Command1") << "Command1" << pixels(3570, 2940, 1230, 345) << QColor()
                                  << QColor();
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QRect, expected);
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        frmShowVersion dialog;
        auto *control = dialog.findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->geometry(), expected);
        QCOMPARE(control->autoFillBackground(), background.isValid());
        if (background.isValid())
            QCOMPARE(control->palette().color(QPalette::Window), background);
        if (text.isValid())
            QCOMPARE(control->palette().color(QPalette::WindowText), text);
    }

    void texts()
    {
        frmShowVersion dialog;
        QCOMPARE(dialog.Label1[0]->text(), QString::fromUtf8("ポテロ"));
        QCOMPARE(dialog.Label2->text(), QString::fromUtf8("Varsion\u30001.0.0"));
        QCOMPARE(dialog.Label5->text(),
                 QString::fromUtf8("ここをクリックするとオルヴェルトHPが開きます。"));
        QCOMPARE(dialog.Label5->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(dialog.Label4->text().isEmpty());
        QVERIFY(!dialog.Image1->pixmap().isNull());
        // The notice: two one-line paragraphs with an empty line between them, wrapped to fit.
        QLabel *notice = dialog.Label3[2];
        const QStringList paragraphs = notice->text().split(QLatin1Char('\n'));
        QCOMPARE(paragraphs.size(), 3);
        QVERIFY(paragraphs[1].isEmpty());
        QVERIFY(notice->wordWrap());
        QVERIFY(notice->heightForWidth(notice->width()) <= notice->height());
        // Every other line is written for this program and fits its label.
        for (QLabel *line : {dialog.Label1[0], dialog.Label1[1], dialog.Label2, dialog.Label3[0],
                             dialog.Label3[1], dialog.Label5}) {
            QVERIFY2(!line->text().trimmed().isEmpty(), qPrintable(line->objectName()));
            const QSize text = line->fontMetrics().size(0, line->text());
            QVERIFY2(text.width() <= line->width(), qPrintable(line->objectName()));
        }
    }

    void fonts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("underline");
        QTest::newRow("Label1(0)") << "Label1(0)" << 14.25 << true << false;
        QTest::newRow("Label1(1)") << "Label1(1)" << 9.75 << true << false;
        QTest::newRow("Label5") << "Label5" << 9.0 << false << true;
    }
    void fonts()
    {
        QFETCH(QString, name);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        QFETCH(bool, underline);
        frmShowVersion dialog;
        const QFont font = dialog.findChild<QLabel *>(name)->font();
        QCOMPARE(font.family(), QString::fromUtf8("ＭＳ Ｐゴシック"));
        QCOMPARE(font.pointSizeF(), points);
        QCOMPARE(font.bold(), bold);
        QCOMPARE(font.underline(), underline);
        QVERIFY(QFontMetrics(font).inFont(QChar(0x30DD))); // a Japanese face stands in
    }

    void onlyCommand1TakesTheFocusAndCloses()
    {
        frmShowVersion dialog;
        LinkRecord record(dialog);
        for (QWidget *control : dialog.findChildren<QWidget *>())
            QCOMPARE(control->focusPolicy() != Qt::NoFocus, control == dialog.Command1);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Escape}) {
            QCOMPARE(QApplication::focusWidget(), dialog.Command1);
            QTest::keyClick(QApplication::focusWidget(), key);
        }
        QCOMPARE(QApplication::focusWidget(), dialog.Command1);
        for (QLabel *label : {dialog.Image1, dialog.Label1[0], dialog.Label3[2], dialog.Label4})
            QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QVERIFY(record.calls.isEmpty());
        QTest::mouseClick(dialog.Command1, Qt::LeftButton);
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
                dialog->Command1->click();
            }
        });
        frmShowVersion::showModal(&owner);
        QCOMPARE(seen, QStringLiteral("owned"));
        QVERIFY(owner.findChildren<frmShowVersion *>().isEmpty());
    }

    void linkOpensTheAddressOnEachLeftClick()
    {
        frmShowVersion dialog;
        LinkRecord record(dialog);
        dialog.setAddressSource([] { return address("https://www.example.org/potero/"); });
        dialog.show();
        QTest::mouseClick(dialog.Label5, Qt::RightButton);
        QTest::mouseClick(dialog.Label5, Qt::MiddleButton);
        // Pressed on the link and let go outside it: no click.
        QTest::mousePress(dialog.Label5, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(dialog.Label5, Qt::LeftButton, {}, QPoint(-20, 5));
        QVERIFY(record.calls.isEmpty());
        clickLink(dialog);
        clickLink(dialog);
        QCOMPARE(record.calls,
                 QStringList(2, QStringLiteral("open https://www.example.org/potero/")));
        QVERIFY(dialog.isVisible());
    }

    void libraryErrorIsACriticalBoxAndTheDialogStays()
    {
        frmShowVersion dialog;
        dialog.setUrlOpener([](const QUrl &) { return true; });
        dialog.setAddressSource([] { return Result<QString>(Error{QStringLiteral("gone")}); });
        dialog.show();
        QStringList seen;
        auto answerBox = [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box == nullptr) {
                seen << QStringLiteral("no box");
                return;
            }
            seen << QStringLiteral("%1|%2|%3|%4")
                        .arg(box->windowTitle(), box->text())
                        .arg(box->icon())
                        .arg(box->standardButtons());
            box->button(QMessageBox::Ok)->click();
        };
        for (int click = 0; click < 2; ++click) {
            QTimer::singleShot(0, answerBox);
            clickLink(dialog);
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
