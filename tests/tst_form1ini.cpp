// The settings record through the windows: what a load applies, where it stops and falls back,
// and what a save writes back.

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "controls/rectshape.h"
#include "panel/frmset.h"
#include "support/notingform1.h"

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

void expectDefaults(Form1 &form)
{
    frmSet *panel = form.panel();
    QCOMPARE(form.pos(), QPoint(0, 0));
    QCOMPARE(panel->pos().x(), 0);
    QCOMPARE(form.PicKanban->twipsGeometry(), QRectF(3480, 2325, 1410, 450));
    QVERIFY(form.PicKanban->picture().isNull());
    QCOMPARE(form.shpK_Waku[0]->twipsGeometry(), QRectF(3405, 2325, 75, 465));
    QCOMPARE(panel->lblMaeSpeed->text(), QStringLiteral("10000"));
    QCOMPARE(panel->lblNakaSpeed->text(), QStringLiteral("6000"));
    QVERIFY(panel->Option1[0]->isChecked());
}

} // namespace

class TestForm1Ini : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_ini = m_dir.filePath(QStringLiteral("potero.ini"));
    QString m_signs = m_dir.filePath(QStringLiteral("signs"));
    QString m_board = m_dir.filePath(QStringLiteral("board.bmp"));

    QByteArray record(const QString &signs, const QString &board, const char *speeds = "123,456",
                      const char *option = "2")
    {
        return QStringLiteral("4500,3000,4500,7500,\"%1\",\"spare\",7,-8,\"%2\",1500,1200,#FALSE#,#"
                              "FALSE#,%3,%4\r\n")
            .arg(signs, board, QLatin1String(speeds), QLatin1String(option))
            .toUtf8();
    }

    // Loads form from a settings file of these bytes, or from none.
    void load(Form1 &form, const QByteArray &bytes)
    {
        QFile file(m_ini);
        if (!bytes.isEmpty())
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes));
        file.close();
        form.setIniPath(m_ini);
        form.LoadIni();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_signs));
        for (const auto &[path, size] : {std::pair{m_signs + "/a.bmp", QSize(40, 30)},
                                         {m_signs + "/b.bmp", QSize(52, 32)},
                                         {m_board, QSize(200, 100)}})
            QVERIFY(writePicture(path, size));
    }

    void init() { QFile::remove(m_ini); }

    void firstRunAndTheFileItWrites()
    {
        Form1 form;
        load(form, {});
        expectDefaults(form);
        form.SaveIni();
        const QByteArray saved = readAll(m_ini);
        QVERIFY2(saved.endsWith(",\"\",\"\",0,0,\"\",3480,2325,#TRUE#,#TRUE#,10000,6000,0\r\n"),
                 saved.constData());
        QCOMPARE(saved.count('\n'), 1);
    }

    // Everything read is applied and written back as it was; the folder gains its separator.
    void roundTrip()
    {
        Form1 form;
        load(form, record(m_signs, m_board));
        QVERIFY(form.PicKanban->isHidden());
        QVERIFY(!form.shpK_Waku[1]->isVisible());
        QCOMPARE(form.shpK_Waku[1]->twipsGeometry(), QRectF(4500, 1200, 75, 1515));
        QCOMPARE(form.panel()->lblNakaSpeed->text(), QStringLiteral("456"));
        QCOMPARE(form.ImgDesiMaku->size(), QSize(40, 30)); // the folder's first picture
        form.SaveIni();
        QCOMPARE(readAll(m_ini), record(m_signs + "/", m_board));
    }

    // A file read as UTF-8 is written back as UTF-8, though CP932 could hold its text.
    void utf8FileIsWrittenBackAsRead()
    {
        const QByteArray bytes = "\xEF\xBB\xBF" + record({}, {}).replace("spare", "\xE6\x96\xB9");
        Form1 form;
        load(form, bytes);
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
        QTest::newRow("sign folder missing") << record(m_dir.filePath("gone"), m_board) << true;
    }
    void loadsThatFallBack()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, shownStatesApplied);
        Form1 form;
        load(form, bytes);
        expectDefaults(form);
        QCOMPARE(form.SpareNumber1, 7);
        QVERIFY(form.SignFolder.startsWith(m_dir.path()));
        QCOMPARE(form.PicKanban->isHidden(), shownStatesApplied);
        QCOMPARE(form.MnuViewWaku->isChecked(), !shownStatesApplied);
    }

    // No folder, or what a key in the sign box makes of none, saved at exit: the sign keeps its
    // placeholder and the load goes on to the end. Speeds as the panel starts with are no
    // change, so the labels stay.
    void noSignFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty") << QString();
        QTest::newRow("lone separator") << QStringLiteral("/");
    }
    void noSignFolder()
    {
        QFETCH(QString, folder);
        Form1 form;
        const QSize placeholder = form.ImgDesiMaku->size();
        load(form, record(folder, m_board, "6000,10000"));
        QCOMPARE(form.ImgDesiMaku->size(), placeholder);
        QCOMPARE(form.SignFolder, folder);
        QVERIFY(form.panel()->Option1[2]->isChecked());
        QCOMPARE(form.panel()->lblMaeSpeed->text(), QStringLiteral("0"));
        QCOMPARE(form.panel()->lblNakaSpeed->text(), QStringLiteral("0"));
    }

    void unreachablePlacesComeBack()
    {
        Form1 form;
        load(form, record({}, {}).replace("4500,3000,4500,7500,", "-900000,3000,4500,7500,"));
        QVERIFY(QGuiApplication::primaryScreen()->geometry().intersects(form.frameGeometry()));
        QCOMPARE(form.pos().y(), 200);
        // A place partly on the screen stays as saved.
        QCOMPARE(form.panel()->pos(), QPoint(300, 500));
    }

    void failedSaveIsReported()
    {
        NotingForm1 form;
        // A folder that cannot exist: its parent is a file.
        load(form, record({}, {}));
        form.setIniPath(m_ini + QStringLiteral("/potero.ini"));
        form.SaveIni();
        QCOMPARE(form.messages.size(), 1);
        QVERIFY(form.messages.first().contains(m_ini));
        QCOMPARE(readAll(m_ini), record({}, {}));
    }
};

QTEST_MAIN(TestForm1Ini)
#include "tst_form1ini.moc"
