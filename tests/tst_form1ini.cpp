#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "controls/rectshape.h"
#include "panel/frmset.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void writeBitmap(const QString &path, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(path, "BMP"));
}

class MessageForm1 : public Form1
{
public:
    QStringList messages;

protected:
    void messageBox(const QString &text) override { messages << text; }
};

void expectDefaults(Form1 &form)
{
    frmSet *panel = form.panel();
    QCOMPARE(form.pos(), QPoint(0, 0));
    QCOMPARE(panel->pos().x(), 0);
    QCOMPARE(form.PicKanban->twipsGeometry(), QRectF(3480, 2325, 1410, 450));
    QVERIFY(form.PicKanban->picture().isNull());
    QCOMPARE(form.shpK_Waku[0]->twipsGeometry(), QRectF(3405, 2325, 75, 465));
    QCOMPARE(panel->HScroll1->value(), 10000);
    QCOMPARE(panel->HScroll2->value(), 6000);
    QCOMPARE(panel->lblMaeSpeed->text(), QStringLiteral("10000"));
    QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("6000"));
    QVERIFY(panel->Option1[0]->isChecked());
}

} // namespace

class TestForm1Ini : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_ini;
    QString m_signs;
    QString m_board;

    QByteArray record(const QString &signs, const QString &board, const char *speeds = "123,456",
                      const char *option = "2")
    {
        return QStringLiteral("4500,3000,4500,7500,\"%1\",\"spare\",7,-8,\"%2\",1500,1200,#FALSE#,#"
                              "FALSE#,%3,%4\r\n")
            .arg(signs, board, QLatin1String(speeds), QLatin1String(option))
            .toUtf8();
    }

private slots:
    void initTestCase()
    {
        m_ini = m_dir.filePath(QStringLiteral("potero.ini"));
        m_signs = m_dir.filePath(QStringLiteral("signs"));
        QVERIFY(QDir().mkpath(m_signs));
        writeBitmap(m_signs + "/a.bmp", QSize(40, 30));
        writeBitmap(m_signs + "/b.bmp", QSize(52, 32));
        m_board = m_dir.filePath(QStringLiteral("board.bmp"));
        writeBitmap(m_board, QSize(200, 100));
    }

    void init() { QFile::remove(m_ini); }

    void firstRunAndTheFileItWrites()
    {
        Form1 form;
        form.setIniPath(m_ini);
        form.LoadIni();
        expectDefaults(form);
        QVERIFY(form.SignFolder.isEmpty());
        form.SaveIni();
        const QByteArray saved = readAll(m_ini);
        QVERIFY2(saved.endsWith(",3480,2325,#TRUE#,#TRUE#,10000,6000,0\r\n"), saved.constData());
        QVERIFY2(saved.contains(",\"\",\"\",0,0,\"\","), saved.constData());
        QCOMPARE(saved.count('\n'), 1);
    }

    void roundTrip()
    {
        writeAll(m_ini, record(m_signs, m_board));
        Form1 form;
        form.setIniPath(m_ini);
        form.LoadIni();
        frmSet *panel = form.panel();
        QCOMPARE(form.pos(), QPoint(300, 200));
        QCOMPARE(panel->pos(), QPoint(300, 500));
        QVERIFY(form.PicKanban->isHidden());
        QVERIFY(!form.MnuViewKanban->isChecked());
        QVERIFY(!form.shpK_Waku[1]->isVisible());
        QVERIFY(!form.MnuViewWaku->isChecked());
        QCOMPARE(form.PicKanban->twipsGeometry(), QRectF(1500, 1200, 3000, 1500));
        QCOMPARE(form.shpK_Waku[1]->twipsGeometry(), QRectF(4500, 1200, 75, 1515));
        QCOMPARE(panel->HScroll1->value(), 123);
        QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("456"));
        QVERIFY(panel->Option1[2]->isChecked());
        // Saved without a final separator, the folder gains one and shows its first picture.
        QCOMPARE(form.SignFolder, m_signs + "/");
        QCOMPARE(form.ImgDesiMaku->size(), QSize(40, 30));
        QCOMPARE(form.SpareText, QStringLiteral("spare"));
        QCOMPARE(form.SpareNumber2, -8);

        form.SaveIni();
        QCOMPARE(readAll(m_ini), record(m_signs + "/", m_board));
    }

    // Bytes that are no character of the file's encoding come back as they were read: CP932's
    // undefined bytes, a lead byte cut off, a character CP932 spells twice; invalid UTF-8.
    void keptBytesAreWrittenBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray cp932 =
            record({}, {}).replace("spare", "\x80\xA0\xFD\xFE\xFF\xED\x40\x82");
        QTest::newRow("CP932") << cp932;
        QTest::newRow("UTF-8") << "\xEF\xBB\xBF" +
                                      record({}, {}).replace("spare", "\xFF\xE6\x96\xB9\xC3");
    }
    void keptBytesAreWrittenBack()
    {
        QFETCH(QByteArray, bytes);
        writeAll(m_ini, bytes);
        Form1 form;
        form.setIniPath(m_ini);
        form.LoadIni();
        QCOMPARE(form.panel()->HScroll1->value(), 123); // read, not the defaults
        form.SaveIni();
        QCOMPARE(readAll(m_ini), bytes);
    }

    // A load that stops part way keeps what it read and what it applied, then falls back.
    void loadsThatFallBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("shownStatesApplied");
        QTest::newRow("cut after fifteen fields")
            << record(m_signs, m_board, "123,456", "").chopped(3) << false;
        QTest::newRow("signboard picture gone") << record(m_signs, m_dir.filePath("gone")) << true;
        QTest::newRow("front speed 0") << record(m_signs, m_board, "0,456") << true;
        QTest::newRow("middle speed 30001") << record(m_signs, m_board, "1,30001") << true;
        QTest::newRow("option 3") << record(m_signs, m_board, "123,456", "3") << true;
        QTest::newRow("option -1") << record(m_signs, m_board, "123,456", "-1") << true;
        QTest::newRow("sign folder missing") << record(m_dir.filePath("gone"), m_board) << true;
    }
    void loadsThatFallBack()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, shownStatesApplied);
        writeAll(m_ini, bytes);
        Form1 form;
        form.setIniPath(m_ini);
        form.LoadIni();
        expectDefaults(form);
        QCOMPARE(form.SpareNumber1, 7);
        QVERIFY(form.SignFolder.startsWith(m_dir.path()));
        QCOMPARE(form.PicKanban->isHidden(), shownStatesApplied);
        QCOMPARE(form.MnuViewWaku->isChecked(), !shownStatesApplied);
    }

    void emptySignFolderIsNoFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty") << QString();
        // What a key in the sign box makes of an empty folder, saved at exit.
        QTest::newRow("lone separator") << QStringLiteral("/");
    }
    void emptySignFolderIsNoFolder()
    {
        QFETCH(QString, folder);
        writeAll(m_ini, record(folder, m_board));
        Form1 form;
        form.setIniPath(m_ini);
        const QSize placeholder = form.ImgDesiMaku->size();
        form.LoadIni();
        QCOMPARE(form.pos(), QPoint(300, 200));
        QVERIFY(form.panel()->Option1[2]->isChecked());
        QCOMPARE(form.ImgDesiMaku->size(), placeholder);
        QCOMPARE(form.SignFolder, folder);
    }

    void designSpeedsLeaveTheLabels()
    {
        writeAll(m_ini, record(QString(), QString(), "6000,10000"));
        Form1 form;
        form.setIniPath(m_ini);
        form.LoadIni();
        QCOMPARE(form.panel()->HScroll1->value(), 6000);
        QCOMPARE(form.panel()->lblMaeSpeed->text(), QStringLiteral("0"));
        QCOMPARE(form.panel()->lblNakaSpeed->text(), QStringLiteral("0"));
    }

    void unreachablePlacesComeBack()
    {
        QByteArray bytes = record(QString(), QString());
        bytes.replace("4500,3000,4500,7500,", "-900000,3000,4500,7500,");
        writeAll(m_ini, bytes);
        Form1 form;
        form.setIniPath(m_ini);
        form.LoadIni();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(screen.intersects(form.frameGeometry()));
        QCOMPARE(form.pos().y(), 200);
        // A place partly on the screen stays as saved.
        QCOMPARE(form.panel()->pos(), QPoint(300, 500));
    }

    void failedSaveIsReported()
    {
        writeAll(m_ini, record(QString(), QString()));
        MessageForm1 form;
        // A folder that cannot exist: its parent is a file.
        form.setIniPath(m_ini + QStringLiteral("/potero.ini"));
        form.SaveIni();
        QCOMPARE(form.messages.size(), 1);
        QVERIFY(form.messages.first().contains(m_ini));
        QCOMPARE(readAll(m_ini), record(QString(), QString()));
    }
};

QTEST_MAIN(TestForm1Ini)
#include "tst_form1ini.moc"
