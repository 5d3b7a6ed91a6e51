#include "platform/cp932.h"
#include "settings/settingsrecord.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <type_traits>

using Kind = SettingsRecordError::Kind;
using Field = SettingsRecord::Field;

Q_DECLARE_METATYPE(SettingsRecord)
Q_DECLARE_METATYPE(SettingsRecordError::Kind)

namespace {

const QByteArray kExampleBytes = "1200,600,1200,4650,\"C:\\Signs\\\",\"\",0,0,"
                                 "\"C:\\Pictures\\board.bmp\",3480,2325,#TRUE#,#FALSE#,"
                                 "10000,6000,0\r\n";

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
    r.MnuViewWaku = false;
    r.HScroll1 = 10000;
    r.HScroll2 = 6000;
    return r;
}

// The example record with one member changed (or `r` with it changed).
template <class T>
SettingsRecord with(T SettingsRecord::*member, std::type_identity_t<T> value,
                    SettingsRecord r = exampleRecord())
{
    r.*member = value;
    return r;
}

// The example record with its field `n` (from 1) replaced by `text`.
QByteArray withField(int n, const QByteArray &text)
{
    QList<QByteArray> fields = kExampleBytes.chopped(2).split(',');
    fields[n - 1] = text;
    return fields.join(',') + "\r\n";
}

QByteArray withTail(const QByteArray &tail)
{
    return kExampleBytes.chopped(2) + tail;
}

const QByteArray kBom = "\xEF\xBB\xBF";

} // namespace

class TestSettingsRecord : public QObject
{
    Q_OBJECT
private slots:
    void exampleIsByteExact();
    void roundTrip_data();
    void roundTrip();
    void cp932();
    void cp932FileIsWrittenBackIdentically();
    void textOutsideCp932IsStoredAsUtf8();
    void readsBackFromItsOwnBytes_data();
    void readsBackFromItsOwnBytes();
    void readingRules_data();
    void readingRules();
    void halvesRoundToEven_data();
    void halvesRoundToEven();
    void failures_data();
    void failures();
    void failureNamesFieldAndOffset();
    void cutAfterFifteenFieldsKeepsWhatWasRead();
    void outOfRangeKeepsEveryField();
    void cutAtEveryLength();
};

void TestSettingsRecord::exampleIsByteExact()
{
    QCOMPARE(exampleRecord().format(), kExampleBytes);
    const SettingsReadResult read = SettingsRecord::parse(kExampleBytes);
    QVERIFY2(read.ok(), qPrintable(read.error->message));
    QCOMPARE(read.fieldsRead, 16);
    QVERIFY(read.record == exampleRecord());
}

void TestSettingsRecord::roundTrip_data()
{
    QTest::addColumn<SettingsRecord>("record");
    QTest::addColumn<bool>("utf8");

    QTest::newRow("example") << exampleRecord() << false;

    SettingsRecord placed = exampleRecord();
    placed.Form1Left = -15360; // a window on a screen left of the primary one
    placed.Form1Top = -2147483647 - 1;
    placed.frmSetLeft = 2147483647;
    placed.PicKanbanLeft = -45;
    placed.MnuViewKanban = false;
    placed.MnuViewWaku = true;
    placed.HScroll1 = 1;
    placed.HScroll2 = 30000;
    placed.MidDoorMode = 2;
    QTest::newRow("extreme places and speeds") << placed << false;

    SettingsRecord spare = with(&SettingsRecord::SpareText, QStringLiteral("  kept as read  "));
    spare.SpareNumber1 = -7;
    spare.SpareNumber2 = 123456789;
    QTest::newRow("spare fields") << spare << false;

    SettingsRecord empty;
    empty.HScroll1 = 10000;
    empty.HScroll2 = 6000;
    QTest::newRow("first run, nothing chosen") << empty << false;

    QTest::newRow("Japanese paths")
        << with(&SettingsRecord::KanbanPicPath, QStringLiteral("/home/user/看板/ソース表示.bmp"),
                with(&SettingsRecord::SignFolder, QStringLiteral("/home/user/方向幕/")))
        << false;
    QTest::newRow("comma and line break inside quotes")
        << with(&SettingsRecord::SpareText, QStringLiteral("line\r\nbreak"),
                with(&SettingsRecord::SignFolder, QStringLiteral("/srv/a, b/")))
        << false;
    QTest::newRow("path outside CP932")
        << with(&SettingsRecord::KanbanPicPath, QStringLiteral("/home/user/方向幕/🚌.png"),
                with(&SettingsRecord::SignFolder, QStringLiteral("/home/user/café/")))
        << true;
    QTest::newRow("double quotes in a Linux path")
        << with(&SettingsRecord::SpareText, QStringLiteral("\""),
                with(&SettingsRecord::SignFolder, QStringLiteral("/home/user/\"signs\"/")))
        << true;
}

void TestSettingsRecord::roundTrip()
{
    QFETCH(SettingsRecord, record);
    QFETCH(bool, utf8);
    const QByteArray bytes = record.format();
    QCOMPARE(bytes.startsWith(kBom), utf8);
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\r\n"), 1 + record.SpareText.count(QStringLiteral("\r\n")));
    const SettingsReadResult read = SettingsRecord::parse(bytes);
    QVERIFY2(read.ok(), qPrintable(read.error->message));
    QVERIFY(read.record == record);
}

void TestSettingsRecord::cp932()
{
    // "～" and "①" are where CP932 differs from plain Shift-JIS; "\" stays a backslash.
    const QString text = QStringLiteral("方向幕～①ｱ\\");
    const QByteArray bytes("\x95\xFB\x8C\xFC\x96\x8B\x81\x60\x87\x40\xB1\x5C");
    QCOMPARE(cp932::encode(text), std::optional<QByteArray>(bytes));
    QCOMPARE(cp932::decode(bytes), text);
    const QString replacement(QChar::ReplacementCharacter);
    QCOMPARE(cp932::decode("\x85\x40"), replacement + u'@');
    QCOMPARE(cp932::decode("A\x81"), u'A' + replacement);
    // Such text cannot be written back as CP932, so the record keeps it as UTF-8.
    const SettingsRecord r = with(&SettingsRecord::SpareText, cp932::decode("\x85\x40"));
    QVERIFY(r.needsUtf8());
    QCOMPARE(SettingsRecord::parse(r.format()).record.SpareText, r.SpareText);
}

void TestSettingsRecord::cp932FileIsWrittenBackIdentically()
{
    // "ソ" ends in 0x5C, the byte of "\": it must stay part of its character.
    const QByteArray original = "0,0,0,4650,\"C:\\\x83\x5C\x81\x5B\x83\x58\\\",\"\x82\xA0\",3,4,"
                                "\"C:\\\x8A\xC5\x94\xC2.bmp\",0,0,#FALSE#,#TRUE#,1,30000,1\r\n";
    const SettingsReadResult read = SettingsRecord::parse(original);
    QVERIFY2(read.ok(), qPrintable(read.error->message));
    QCOMPARE(read.record.SignFolder, QStringLiteral("C:\\ソース\\"));
    QCOMPARE(read.record.SpareText, QStringLiteral("あ"));
    QCOMPARE(read.record.KanbanPicPath, QStringLiteral("C:\\看板.bmp"));
    QCOMPARE(read.record.format(), original);
}

void TestSettingsRecord::textOutsideCp932IsStoredAsUtf8()
{
    SettingsRecord r = with(&SettingsRecord::SignFolder, QStringLiteral("/home/user/café/"));
    QCOMPARE(r.format(), kBom + withField(5, "\"/home/user/caf\xC3\xA9/\""));
    // Back inside CP932, the next save is in the original form again.
    r.SignFolder = QStringLiteral("/home/user/方向幕/");
    QVERIFY(!r.format().startsWith(kBom));
}

// Fuzzer findings: a quote read from an unquoted field of a CP932 file, alone and beside bytes
// that CP932 did not read as characters but UTF-8 would.
void TestSettingsRecord::readsBackFromItsOwnBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("quote in an unquoted field") << withField(5, "4\"C\\\x83\x5C\\\"");
    QTest::newRow("beside kept bytes") << withField(5, "06\"C:\\\xED\x88\x83\x00\x03X\\\"");
}

void TestSettingsRecord::readsBackFromItsOwnBytes()
{
    QFETCH(QByteArray, bytes);
    const SettingsReadResult first = SettingsRecord::parse(bytes);
    QVERIFY2(first.ok(), qPrintable(first.error->message));
    const QByteArray written = first.record.format();
    QVERIFY(SettingsRecord::parse(written).record == first.record);
    QCOMPARE(SettingsRecord::parse(written).record.format(), written);
}

void TestSettingsRecord::readingRules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<SettingsRecord>("expected");

    const SettingsRecord example = exampleRecord();
    QTest::newRow("no line end at the end") << kExampleBytes.chopped(2) << example;
    QTest::newRow("text after the 16th field") << withTail(",junk,\"x\r\nmore\r\n") << example;
    QTest::newRow("a second line") << kExampleBytes + kExampleBytes.left(10) << example;

    QByteArray spaced = kExampleBytes;
    spaced.replace(",", ",   ");
    QTest::newRow("spaces before fields") << "  " + spaced << example;
    QTest::newRow("spaces after numbers") << withField(1, "1200  ") << example;
    QTest::newRow("spaces after a quote") << withField(5, "\"C:\\Signs\\\"  ") << example;

    QByteArray lines = kExampleBytes;
    lines.replace(",", "\r\n");
    QTest::newRow("one field a line, CR LF") << lines << example;
    lines.replace("\r\n", "\n");
    QTest::newRow("one field a line, LF") << lines << example;
    lines.replace("\n", "\r");
    QTest::newRow("one field a line, CR") << lines << example;

    QTest::newRow("unquoted text") << withField(5, "C:\\Signs\\ ") << example;
    QTest::newRow("plus sign") << withField(1, "+1200") << example;
    QTest::newRow("exponent") << withField(1, "1.2E3") << example;
    QTest::newRow("trailing point") << withField(1, "1200.") << example;
    QTest::newRow("leading point") << withField(7, ".75") << with(&SettingsRecord::SpareNumber1, 1);
    QTest::newRow("negative") << withField(10, "-3480")
                              << with(&SettingsRecord::PicKanbanLeft, -3480);
    QTest::newRow("lowest 32-bit value")
        << withField(8, "-2147483648.5")
        << with(&SettingsRecord::SpareNumber2, std::numeric_limits<qint32>::min());
    QTest::newRow("option 1.5 rounds to 2")
        << withField(16, "1.5") << with(&SettingsRecord::MidDoorMode, 2);
    QTest::newRow("comma inside quotes")
        << withField(5, "\"C:\\a,b\\\"")
        << with(&SettingsRecord::SignFolder, QStringLiteral("C:\\a,b\\"));
    QTest::newRow("speeds at the range's ends")
        << withField(14, "1").replace(",6000,", ",30000,")
        << with(&SettingsRecord::HScroll2, 30000, with(&SettingsRecord::HScroll1, 1));
    QTest::newRow("speed 0.6 rounds into the range")
        << withField(14, "0.6") << with(&SettingsRecord::HScroll1, 1);
    QTest::newRow("doubled quote in a UTF-8 file")
        << kBom + withField(5, "\"/a\"\"b/\"")
        << with(&SettingsRecord::SignFolder, QStringLiteral("/a\"b/"));
    QTest::newRow("UTF-8 text") << kBom + withField(6, "\"\xE6\x96\xB9\"")
                                << with(&SettingsRecord::SpareText, QStringLiteral("方"));
}

void TestSettingsRecord::readingRules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(SettingsRecord, expected);
    const SettingsReadResult read = SettingsRecord::parse(bytes);
    QVERIFY2(read.ok(), qPrintable(read.error->message));
    QCOMPARE(read.fieldsRead, 16);
    QCOMPARE(read.record.format(), expected.format());
}

void TestSettingsRecord::halvesRoundToEven_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("expected");
    const std::pair<const char *, int> cases[] = {
        {"0.5", 0},   {"1.5", 2},   {"2.5", 2},    {"1200.5", 1200}, {"1201.5", 1202}, {"-0.5", 0},
        {"-1.5", -2}, {"-2.5", -2}, {"2.4999", 2}, {"2.5001", 3},    {"-2.5001", -3}};
    for (const auto &[text, expected] : cases)
        QTest::newRow(text) << QByteArray(text) << expected;
}

void TestSettingsRecord::halvesRoundToEven()
{
    QFETCH(QByteArray, text);
    QFETCH(int, expected);
    const SettingsReadResult read = SettingsRecord::parse(withField(1, text));
    QVERIFY2(read.ok(), qPrintable(read.error->message));
    QCOMPARE(read.record.Form1Left, expected);
    QCOMPARE(SettingsRecord::roundToInt32(text.toDouble()), std::optional<qint32>(expected));
}

void TestSettingsRecord::failures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("field");

    QTest::newRow("empty file") << QByteArray() << Kind::Unreadable << 1;
    QTest::newRow("only spaces") << QByteArray("   ") << Kind::Unreadable << 1;
    QTest::newRow("cut after 15 fields") << withTail("").chopped(2) << Kind::Unreadable << 16;
    QTest::newRow("15 fields and a comma") << withTail("").chopped(1) << Kind::Unreadable << 16;
    QTest::newRow("field 16 empty") << withField(16, "") << Kind::Unreadable << 16;
    QTest::newRow("word for a number") << withField(1, "left") << Kind::Unreadable << 1;
    QTest::newRow("digits then letters") << withField(2, "600px") << Kind::Unreadable << 2;
    QTest::newRow("space inside a number") << withField(3, "12 00") << Kind::Unreadable << 3;
    QTest::newRow("empty number") << withField(4, "") << Kind::Unreadable << 4;
    QTest::newRow("lone sign") << withField(4, "-") << Kind::Unreadable << 4;
    QTest::newRow("lone point") << withField(4, ".") << Kind::Unreadable << 4;
    QTest::newRow("hex") << withField(7, "0x10") << Kind::Unreadable << 7;
    QTest::newRow("nan") << withField(7, "nan") << Kind::Unreadable << 7;
    QTest::newRow("inf") << withField(8, "inf") << Kind::Unreadable << 8;
    QTest::newRow("exponent without digits") << withField(8, "1e") << Kind::Unreadable << 8;
    QTest::newRow("overflowing exponent") << withField(8, "1e400") << Kind::Unreadable << 8;
    QTest::newRow("quoted number") << withField(10, "\"3480\"") << Kind::Unreadable << 10;
    QTest::newRow("2^31") << withField(11, "2147483648") << Kind::Unreadable << 11;
    QTest::newRow("rounds to 2^31") << withField(11, "2147483647.5") << Kind::Unreadable << 11;
    QTest::newRow("Boolean in lower case") << withField(12, "#true#") << Kind::Unreadable << 12;
    QTest::newRow("Boolean as a number") << withField(12, "-1") << Kind::Unreadable << 12;
    QTest::newRow("quoted Boolean") << withField(13, "\"#FALSE#\"") << Kind::Unreadable << 13;
    QTest::newRow("no closing quote") << withField(5, "\"C:\\Signs") << Kind::Unreadable << 5;
    QTest::newRow("text after the quote") << withField(9, "\"a\"b") << Kind::Unreadable << 9;
    QTest::newRow("option beyond 16 bits") << withField(16, "32768") << Kind::Unreadable << 16;
    QTest::newRow("option rounds past 16 bits")
        << withField(16, "32767.5") << Kind::Unreadable << 16;
    QTest::newRow("CP932 file has no doubled quotes")
        << withField(5, "\"a\"\"b\"") << Kind::Unreadable << 5;

    QTest::newRow("front speed 0") << withField(14, "0") << Kind::OutOfRange << 14;
    QTest::newRow("front speed 30001") << withField(14, "30001") << Kind::OutOfRange << 14;
    QTest::newRow("front speed 0.4") << withField(14, "0.4") << Kind::OutOfRange << 14;
    QTest::newRow("front speed 40000") << withField(14, "40000") << Kind::OutOfRange << 14;
    QTest::newRow("middle speed 0") << withField(15, "0") << Kind::OutOfRange << 15;
    QTest::newRow("middle speed 30001") << withField(15, "30001") << Kind::OutOfRange << 15;
    QTest::newRow("middle speed -6000") << withField(15, "-6000") << Kind::OutOfRange << 15;
    QTest::newRow("option 3") << withField(16, "3") << Kind::OutOfRange << 16;
    QTest::newRow("option -1") << withField(16, "-1") << Kind::OutOfRange << 16;
    QTest::newRow("speed checked before option")
        << withField(14, "0").replace(",0\r\n", ",3\r\n") << Kind::OutOfRange << 14;
}

void TestSettingsRecord::failures()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Kind, kind);
    QFETCH(int, field);
    const SettingsReadResult read = SettingsRecord::parse(bytes);
    QVERIFY(!read.ok());
    QCOMPARE(read.error->kind, kind);
    QCOMPARE(read.error->field, field);
    QCOMPARE(read.fieldsRead, kind == Kind::OutOfRange ? 16 : field - 1);
    QVERIFY(read.error->message.contains(QStringLiteral("field %1 ").arg(field)));
}

void TestSettingsRecord::failureNamesFieldAndOffset()
{
    const QByteArray bytes = withField(14, "0");
    const SettingsReadResult read = SettingsRecord::parse(bytes);
    QVERIFY(!read.ok());
    const qsizetype offset = bytes.indexOf(",0,6000") + 1;
    QCOMPARE(read.error->offset, offset);
    QCOMPARE(read.error->message,
             QStringLiteral("settings record, field 14 at offset %1: the speed 0 lies outside "
                            "1..30000")
                 .arg(offset));
}

void TestSettingsRecord::cutAfterFifteenFieldsKeepsWhatWasRead()
{
    SettingsRecord r = with(&SettingsRecord::SpareText, QStringLiteral("spare"));
    r.SpareNumber1 = 11;
    r.SpareNumber2 = -22;
    r.MidDoorMode = 1;
    const QByteArray full = r.format();
    const QByteArray cut = full.left(full.lastIndexOf(','));
    const SettingsReadResult read = SettingsRecord::parse(cut);
    QCOMPARE(read.fieldsRead, 15);
    QVERIFY(read.wasRead(Field::HScroll2));
    QVERIFY(!read.wasRead(Field::MidDoorMode));
    QVERIFY(read.record.format().startsWith(cut + ','));
}

void TestSettingsRecord::outOfRangeKeepsEveryField()
{
    // Field 16 reaches MidDoorMode before the load stops, even though it cannot be applied.
    const SettingsReadResult option = SettingsRecord::parse(withField(16, "3"));
    QCOMPARE(option.fieldsRead, 16);
    QCOMPARE(option.record.MidDoorMode, qint16(3));
    QCOMPARE(option.record.SignFolder, exampleRecord().SignFolder);

    const SettingsReadResult speed = SettingsRecord::parse(withField(15, "30001"));
    QCOMPARE(speed.fieldsRead, 16);
    QCOMPARE(speed.record.HScroll1, 10000);
    QCOMPARE(speed.record.HScroll2, 30001);
}

void TestSettingsRecord::cutAtEveryLength()
{
    // Fields 1 to 4 hold numbers and have no comma of their own, so the fields before a cut
    // are those whose comma the cut kept, and possibly the one it cut through.
    SettingsRecord r = exampleRecord();
    r.MidDoorMode = 1;
    const QByteArray full = r.format();
    const QList<QByteArray> fields = full.chopped(2).split(',');
    for (qsizetype length = 0; length < full.size() - 2; ++length) {
        const QByteArray cut = full.left(length);
        const SettingsReadResult read = SettingsRecord::parse(cut);
        const int commas = int(cut.count(','));
        const QByteArray why = "cut at " + QByteArray::number(length);
        QVERIFY2(!read.ok(), why.constData());
        QCOMPARE(read.error->kind, Kind::Unreadable);
        QCOMPARE(read.error->field, read.fieldsRead + 1);
        QVERIFY2(read.fieldsRead == commas || read.fieldsRead == commas + 1, why.constData());
        const QList<QByteArray> readFields = read.record.format().chopped(2).split(',');
        for (int i = 0; i < commas; ++i)
            QCOMPARE(readFields[i], fields[i]);
    }
}

QTEST_APPLESS_MAIN(TestSettingsRecord)
#include "tst_settingsrecord.moc"
