#include "settings/settingsfile.h"
#include "settings/settingsrecord.h"
#include "support/files.h"
#include "support/verifyok.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// The picture's name is CP932: "方向幕～①ソ"; "ソ" ends in 0x5C, the byte of "\", and must
// stay part of its character.
const QByteArray kExampleBytes =
    "1200,600,1300,4650,\"C:\\Signs\\\",\"\",0,0,\"C:\\\x95\xFB\x8C\xFC"
    "\x96\x8B\x81\x60\x87\x40\x83\x5C.bmp\",3480,2325,#TRUE#,#FALSE#,"
    "10000,6000,0\r\n";
const QByteArray kBom = "\xEF\xBB\xBF";
// Every value that matters told apart, so that no two fields can be read into each other.
// clang-format off
const SettingsRecord kExample{1200, 600, 1300, 4650, QStringLiteral("C:\\Signs\\"), QString(), 0, 0,
                              QString::fromUtf8("C:\\方向幕～①ソ.bmp"), 3480, 2325, true, false,
                              10000, 6000, 0};
// clang-format on

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

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_dir.emplace().isValid());
        m_ini = m_dir->filePath(QStringLiteral("potero.ini"));
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected"); // the record read, as written again

        // Records written as they were read, in the encoding their text needs.
        const auto same = [](const char *name, const QByteArray &bytes) {
            QTest::newRow(name) << bytes << bytes;
        };
        same("example", kExampleBytes);
        same("extreme values, spare fields",
             "-15360,-2147483648,2147483647,0,\"\",\"  kept as read  \",-7,123456789,\"\",0,0,"
             "#FALSE#,#TRUE#,1,30000,2\r\n");
        same("comma and line break inside quotes",
             withField(5, "\"/srv/a, b/\"").replace(",\"\",", ",\"line\r\nbreak\","));
        same("path outside CP932, UTF-8", kBom + withField(5, "\"/home/user/caf\xC3\xA9/\""));
        same("double quotes in a Linux path",
             kBom + withField(5, "\"/a/\"\"signs\"\"/\"").replace(",\"\",", ",\"\"\"\","));
        // U+FFFD, as a CP932 file's undefined character reads, cannot be written as CP932.
        same("character CP932 does not define", kBom + withField(6, "\"\xEF\xBF\xBD@\""));
        // Records read leniently and written in their one form.
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

    void reading()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        const Parsed read = parse(bytes);
        QVERIFY_OK(read.status);
        const QByteArray written = read.record.format();
        QVERIFY(parse(written).record == read.record);
        QCOMPARE(read.utf8, bytes.startsWith(kBom));
        QCOMPARE(read.record.needsUtf8(), read.utf8);
        QCOMPARE(written, expected);
        if (QTest::currentDataTag() != QByteArray("example"))
            return;
        QVERIFY(read.record == kExample);
        // A record read from a UTF-8 file is kept in UTF-8 when asked.
        QCOMPARE(read.record.format(true), kBom + withField(9, "\"C:\\方向幕～①ソ.bmp\""));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("field");
        QTest::addColumn<bool>("outOfRange");

        QTest::newRow("empty file") << QByteArray() << 1 << false;
        QTest::newRow("only spaces") << QByteArray("   ") << 1 << false;
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
        add({"14=0", "14=30001", "15=0", "15=-6000", "15=30001", "16=3", "16=-1"}, true);
        QTest::newRow("speed checked before option")
            << withField(14, "0").replace(",0\r\n", ",3\r\n") << 14 << true;
    }

    // The failure names the field and where it starts; what was read stays read, a value out
    // of range included, so that the loader can apply it.
    void failures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, field);
        QFETCH(bool, outOfRange);
        const Parsed read = parse(bytes);
        QVERIFY(!read.status.ok());
        const Error &error = read.status.error();
        QCOMPARE(error.code, field);
        QCOMPARE(bytes.left(error.offset).count(','), field - 1);
        QVERIFY(error.offset == 0 || QByteArray(", ").contains(bytes.at(error.offset - 1)));
        QVERIFY(error.message.startsWith(QStringLiteral("settings record, field %1 at offset %2: ")
                                             .arg(field)
                                             .arg(error.offset)));
        QCOMPARE(read.complete(), outOfRange);
        QCOMPARE(read.fieldsRead, outOfRange ? 16 : field - 1);
        const QList<QByteArray> got = fieldsOf(read.record.format());
        const QList<QByteArray> given = bytes.trimmed().split(',');
        for (int i = 0; i < read.fieldsRead; ++i)
            QCOMPARE(got[i], given[i]);
        QVERIFY(!read.wasRead(SettingsRecord::Field(read.fieldsRead + 1)));
    }

    void cutAtEveryLength()
    {
        // Fields 1 to 4 hold numbers and have no comma of their own, so the fields before a cut
        // are those whose comma the cut kept, and possibly the one it cut through.
        const QList<QByteArray> fields = fieldsOf(kExampleBytes);
        for (qsizetype length = 0; length < kExampleBytes.size() - 2; ++length) {
            const QByteArray cut = kExampleBytes.left(length);
            const Parsed read = parse(cut);
            const int commas = int(cut.count(','));
            QVERIFY2(!read.status.ok() &&
                         (read.fieldsRead == commas || read.fieldsRead == commas + 1),
                     qPrintable(QString::number(length)));
            QCOMPARE(read.status.error().code, read.fieldsRead + 1);
            const QList<QByteArray> readFields = fieldsOf(read.record.format());
            for (int i = 0; i < commas; ++i)
                QCOMPARE(readFields[i], fields[i]);
        }
    }

    // Beside the executable, or in the configuration folder when that cannot be written.
    void locate()
    {
        // Rows "folder|name|path".
        for (const char *row : {"/opt/potero|potero|/opt/potero/potero.ini", "/|p|/p.ini",
                                "/opt//|x.v2|/opt/x.v2.ini", "//|x|/x.ini", "|p|", "/opt||"}) {
            const QStringList parts = QString::fromUtf8(row).split(u'|');
            QCOMPARE(settingsfile::pathIn(parts[0], parts[1]), parts[2]);
        }
        QCOMPARE(settingsfile::path(), QCoreApplication::applicationFilePath() + ".ini");
        const QString config = m_dir->filePath(QStringLiteral("config"));
        const QString missing = m_dir->filePath(QStringLiteral("gone"));
        const QString name = QStringLiteral("potero");
        QCOMPARE(settingsfile::locate(missing, name, config), config + "/potero.ini");
        QCOMPARE(settingsfile::locate(m_dir->path(), name, config), m_ini);
        QCOMPARE(settingsfile::locate(missing, name, QString()), missing + "/potero.ini");
    }

    void read()
    {
        QVERIFY(!settingsfile::read(QString()));
        QVERIFY(!reasonOf(settingsfile::read(m_ini)).isEmpty());
        // Opening a FIFO with no writer would block the start for ever.
        QCOMPARE(mkfifo(QFile::encodeName(m_ini).constData(), 0600), 0);
        for (const QString &path : {m_ini, m_dir->path(), QStringLiteral("/dev/zero")})
            QVERIFY2(!settingsfile::read(path), qPrintable(path));
        // A larger file is read up to the cap.
        const QString big = m_dir->filePath(QStringLiteral("big.ini"));
        testfiles::write(big, "ab" + QByteArray(settingsfile::kMaxReadBytes, 'x'));
        const Result<QByteArray> read = settingsfile::read(big);
        QVERIFY(read && read->size() == settingsfile::kMaxReadBytes && read->startsWith("abx"));
    }

    // A write replaces the file and leaves no temporary; one that fails leaves the old file.
    void write()
    {
        const auto onlyTheFile = [this] {
            return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden) ==
                   QStringList{QStringLiteral("potero.ini")};
        };
        testfiles::write(m_ini, "old contents that are longer than the new ones\r\n");
        QVERIFY_OK(settingsfile::write(m_ini, "new\r\n"));
        QCOMPARE(testfiles::read(m_ini), QByteArray("new\r\n"));
        QVERIFY(onlyTheFile());
        // The largest file this process may write is lowered, as a full disk would stop a save
        // halfway.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lowered{4, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lowered);
        const QByteArray reason = reasonOf(settingsfile::write(m_ini, QByteArray(4096, '9')));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        QVERIFY(!reason.isEmpty());
        QCOMPARE(testfiles::read(m_ini), QByteArray("new\r\n"));
        QVERIFY(onlyTheFile());
        const QString deeper = m_dir->filePath(QStringLiteral("config/potero/potero.ini"));
        QVERIFY_OK(settingsfile::write(deeper, "x\r\n"));
        QCOMPARE(testfiles::read(deeper), QByteArray("x\r\n"));
        QVERIFY(!settingsfile::write(QString(), "x\r\n"));
        // Over a folder: refused, and the folder stays.
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("folder.ini/inside"))));
        QVERIFY(!settingsfile::write(m_dir->filePath(QStringLiteral("folder.ini")), "x\r\n"));
        QVERIFY(QFileInfo(m_dir->filePath(QStringLiteral("folder.ini/inside"))).isDir());
    }

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_ini; // the settings file in it
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
