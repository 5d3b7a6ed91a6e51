#include "settings/settingsrecord.h"
#include "support/verifyok.h"

#include <QTest>

#include <limits>

namespace {

const QByteArray kExampleBytes = "1200,600,1200,4650,\"C:\\Signs\\\",\"\",0,0,"
                                 "\"C:\\Pictures\\board.bmp\",3480,2325,#TRUE#,#FALSE#,"
                                 "10000,6000,0\r\n";
const QByteArray kBom = "\xEF\xBB\xBF";

SettingsRecord exampleRecord()
{
    SettingsRecord r;
    r.Form1Left = 1200;
    r.Form1Top = 600;
    r.frmSetLeft = 1200;
    r.frmSetTop = 4650;
    r.SignFolder = QStringLiteral("C:\\Signs\\");
    r.KanbanPicPath = QStringLiteral("C:\\Pictures\\board.bmp");
    r.PicKanbanLeft = 3480;
    r.PicKanbanTop = 2325;
    r.MnuViewKanban = true;
    r.HScroll1 = 10000;
    r.HScroll2 = 6000;
    return r;
}

QList<QByteArray> fieldsOf(const QByteArray &line)
{
    return line.chopped(2).split(',');
}

// The example record with its field `n` (from 1) replaced by `text`.
QByteArray withField(int n, const QByteArray &text)
{
    QList<QByteArray> fields = fieldsOf(kExampleBytes);
    fields[n - 1] = text;
    return fields.join(',') + "\r\n";
}

// Reading's outcome with what it got, in one value for the checks.
struct Parsed : SettingsRead
{
    Status status = Done{};
};

Parsed parse(QByteArrayView bytes)
{
    Parsed parsed;
    parsed.status = SettingsRecord::parse(bytes, parsed);
    return parsed;
}

} // namespace

class TestSettingsRecord : public QObject
{
    Q_OBJECT
private slots:

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("example") << kExampleBytes;
        QTest::newRow("extreme values, spare fields")
            << QByteArray("-15360,-2147483648,2147483647,0,\"\",\"  kept as read  \",-7,123456789,"
                          "\"\",0,0,#FALSE#,#TRUE#,1,30000,2\r\n");
        QTest::newRow("comma and line break inside quotes")
            << withField(5, "\"/srv/a, b/\"").replace(",\"\",", ",\"line\r\nbreak\",");
        QTest::newRow("Japanese path, CP932")
            << withField(5, "\"/home/\x95\xFB\x8C\xFC\x96\x8B\x81\x60\x87\x40/\""); // 方向幕～①
        QTest::newRow("path outside CP932, UTF-8")
            << kBom + withField(5, "\"/home/user/caf\xC3\xA9/\"");
        QTest::newRow("double quotes in a Linux path")
            << kBom + withField(5, "\"/a/\"\"signs\"\"/\"").replace(",\"\",", ",\"\"\"\",");
        // U+FFFD, as a CP932 file's undefined character reads, cannot be written as CP932.
        QTest::newRow("character CP932 does not define")
            << kBom + withField(6, "\"\xEF\xBF\xBD@\"");
        // Fuzzer findings, written in another form that must read back the same: a quote read
        // from an unquoted field of a CP932 file, alone and beside bytes that CP932 did not
        // read as characters but UTF-8 would.
        QTest::newRow("fuzz: quote in an unquoted field") << withField(5, "4\"C\\\x83\x5C\\\"");
        QTest::newRow("fuzz: beside kept bytes")
            << withField(5, "06\"C:\\\xED\x88\x83\x00\x03X\\\"");
    }

    // A record is written as it was read, in the encoding its text needs.
    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        const Parsed read = parse(bytes);
        QVERIFY_OK(read.status);
        QCOMPARE(read.fieldsRead, 16);
        const QByteArray written = read.record.format();
        QVERIFY(parse(written).record == read.record);
        QCOMPARE(parse(written).record.format(), written);
        if (QByteArray(QTest::currentDataTag()).startsWith("fuzz"))
            return;
        QCOMPARE(read.utf8, bytes.startsWith(kBom));
        QCOMPARE(read.record.needsUtf8(), read.utf8);
        QCOMPARE(written, bytes);
        if (QTest::currentDataTag() == QByteArray("example"))
            QVERIFY(read.record == exampleRecord());
    }

    void cp932FileIsWrittenBackIdentically()
    {
        // "ソ" ends in 0x5C, the byte of "\": it must stay part of its character.
        const QByteArray original =
            "0,0,0,4650,\"C:\\\x83\x5C\x81\x5B\x83\x58\\\",\"\x82\xA0\",3,4,"
            "\"C:\\\x8A\xC5\x94\xC2.bmp\",0,0,#FALSE#,#TRUE#,1,30000,1\r\n";
        const Parsed read = parse(original);
        QVERIFY_OK(read.status);
        QCOMPARE(read.record.SignFolder, QStringLiteral("C:\\ソース\\"));
        QCOMPARE(read.record.KanbanPicPath, QStringLiteral("C:\\看板.bmp"));
        QCOMPARE(read.record.format(), original);
    }

    void readingRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected"); // the record read, as written again

        const QByteArray &example = kExampleBytes;
        QTest::newRow("no line end at the end") << example.chopped(2) << example;
        QTest::newRow("text after the 16th field") << example.chopped(2) + ",junk,\"x\r\nmore\r\n"
                                                   << example;
        QByteArray spaced = example;
        QTest::newRow("spaces around fields") << "  " + spaced.replace(",", " ,   ") << example;
        QByteArray lines = example;
        QTest::newRow("a field a line, CR LF") << lines.replace(",", "\r\n") << example;
        QTest::newRow("a field a line, LF") << lines.replace("\r\n", "\n") << example;
        QTest::newRow("a field a line, CR") << lines.replace("\n", "\r") << example;
        QTest::newRow("unquoted text") << withField(5, "C:\\Signs\\ ") << example;
        // Rows "field=text=read as": numbers, rounded with halves to the even neighbour.
        for (const char *row :
             {"1=+1.2E3=1200", "1=1200.=1200", "7=.75=1", "8=-2147483648.5=-2147483648", "14=0.6=1",
              "14=1=1", "15=30000=30000", "1=0.5=0", "1=1.5=2", "1=2.5=2", "1=-0.5=0", "1=-1.5=-2",
              "1=-2.5=-2", "1=2.4999=2", "1=2.5001=3", "1=-2.5001=-3", "1=1201.5=1202"}) {
            const QList<QByteArray> parts = QByteArray(row).split('=');
            QTest::newRow(row) << withField(parts[0].toInt(), parts[1])
                               << withField(parts[0].toInt(), parts[2]);
        }
    }

    void readingRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        const Parsed read = parse(bytes);
        QVERIFY_OK(read.status);
        QCOMPARE(read.fieldsRead, 16);
        QCOMPARE(read.record.format(read.utf8), expected);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("field");
        QTest::addColumn<bool>("outOfRange");

        QTest::newRow("empty file") << QByteArray() << 1 << false;
        QTest::newRow("only spaces") << QByteArray("   ") << 1 << false;
        QTest::newRow("cut after 15 fields") << kExampleBytes.chopped(4) << 16 << false;
        QTest::newRow("15 fields and a comma") << kExampleBytes.chopped(3) << 16 << false;
        // Rows "field=text".
        const auto add = [](std::initializer_list<const char *> rows, bool outOfRange) {
            for (const char *row : rows) {
                const QByteArray text(row);
                const int field = text.left(text.indexOf('=')).toInt();
                QTest::newRow(row)
                    << withField(field, text.sliced(text.indexOf('=') + 1)) << field << outOfRange;
            }
        };
        // Fields missing or not of their type (a CP932 file has no doubled quotes).
        // clang-format off
        add({"1=left", "1=1200\t", "2=600px", "3=12 00", "4=", "4=-", "4=.", "7=0x10", "7=nan",
             "8=inf", "8=1e", "8=1e400", "10=\"3480\"", "11=2147483648", "11=2147483647.5",
             "11=-2147483649", "12=#true#", "12=-1", "13=\"#FALSE#\"", "5=\"C:\\Signs",
             "9=\"a\"b", "16=32768", "16=32767.5", "16=", "5=\"a\"\"b\""}, false);
        // clang-format on
        // Values the loader cannot apply.
        add({"14=0", "14=30001", "14=0.4", "15=0", "15=-6000", "15=30001", "16=3", "16=-1"}, true);
        QTest::newRow("speed checked before option")
            << withField(14, "0").replace(",0\r\n", ",3\r\n") << 14 << true;
    }

    void failures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, field);
        QFETCH(bool, outOfRange);
        const Parsed read = parse(bytes);
        QVERIFY(!read.status.ok());
        QCOMPARE(read.complete(), outOfRange);
        QCOMPARE(read.status.error().code, field);
        QVERIFY(read.status.error().message.contains(QStringLiteral("field %1 ").arg(field)));
        // What was read stays read, the field out of range included, so the loader can apply it.
        QCOMPARE(read.fieldsRead, outOfRange ? 16 : field - 1);
        const QList<QByteArray> got = fieldsOf(read.record.format());
        const QList<QByteArray> given = bytes.trimmed().split(',');
        for (int i = 0; i < read.fieldsRead; ++i)
            if (i != field - 1)
                QCOMPARE(got[i], given[i]);
        QVERIFY(!read.wasRead(SettingsRecord::Field(read.fieldsRead + 1)));
    }

    void failureNamesFieldAndOffset()
    {
        const QByteArray bytes = withField(14, "0");
        const Parsed read = parse(bytes);
        QVERIFY(!read.status.ok());
        const qsizetype offset = bytes.indexOf(",0,6000") + 1;
        QCOMPARE(read.status.error().offset, offset);
        QCOMPARE(read.status.error().message,
                 QStringLiteral("settings record, field 14 at offset %1: the speed 0 lies outside "
                                "1..30000")
                     .arg(offset));
        QCOMPARE(parse(withField(16, "3")).record.MidDoorMode, qint16(3));
    }

    void cutAtEveryLength()
    {
        // Fields 1 to 4 hold numbers and have no comma of their own, so the fields before a cut
        // are those whose comma the cut kept, and possibly the one it cut through.
        const QByteArray &full = kExampleBytes;
        const QList<QByteArray> fields = fieldsOf(full);
        for (qsizetype length = 0; length < full.size() - 2; ++length) {
            const QByteArray cut = full.left(length);
            const Parsed read = parse(cut);
            const int commas = int(cut.count(','));
            const QByteArray why = "cut at " + QByteArray::number(length);
            QVERIFY2(!read.status.ok(), why.constData());
            QCOMPARE(read.status.error().code, read.fieldsRead + 1);
            QVERIFY2(read.fieldsRead == commas || read.fieldsRead == commas + 1, why.constData());
            const QList<QByteArray> readFields = fieldsOf(read.record.format());
            for (int i = 0; i < commas; ++i)
                QCOMPARE(readFields[i], fields[i]);
        }
    }
};

QTEST_APPLESS_MAIN(TestSettingsRecord)
#include "tst_settingsrecord.moc"
