#include "settings/settingsfile.h"
#include "settings/settingsrecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "(unreadable)";
    return file.readAll();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The write's reason for failing, empty when it wrote, so that a failure shows why.
QString failureOf(const std::optional<settingsfile::FileError> &error)
{
    return error ? error->path + QStringLiteral(": ") + error->reason : QString();
}

// Lowers the largest file this process may write, as a full disk would stop a save halfway.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

void pathRow(const char *row, const QString &folder, const QString &name, const QString &expected)
{
    QTest::newRow(row) << folder << name << expected;
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void pathIn_data();
    void pathIn();
    void pathBesideThisExecutable();
    void locateFallsBackToConfigFolder();
    void readMissingFails();
    void readRefusesWhatIsNotAFile();
    void readStopsAtTheCap();
    void firstRunWritesDefaults();
    void writeReplacesAndLeavesNoTemporary();
    void writeIntoMissingFolder();
    void failedWriteKeepsOldFile();
    void writeOverFolderFails();
};

void TestSettingsFile::pathIn_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    pathRow("folder", "/opt/potero", "potero", "/opt/potero/potero.ini");
    pathRow("file system root", "/", "potero", "/potero.ini");
    pathRow("trailing separator", "/opt/potero/", "potero", "/opt/potero/potero.ini");
    pathRow("doubled separator", "/opt//", "x", "/opt/x.ini");
    pathRow("root written twice", "//", "x", "/x.ini");
    pathRow("dotted name", "/a", "bus.v2", "/a/bus.v2.ini");
    pathRow("Japanese folder", "/home/方向幕", "potero", "/home/方向幕/potero.ini");
    pathRow("no folder", "", "potero", "");
    pathRow("no name", "/opt", "", "");
}

void TestSettingsFile::pathIn()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(settingsfile::pathIn(folder, name), expected);
}

void TestSettingsFile::pathBesideThisExecutable()
{
    QCOMPARE(settingsfile::path(),
             QCoreApplication::applicationDirPath() + QStringLiteral("/tst_settingsfile.ini"));
}

void TestSettingsFile::locateFallsBackToConfigFolder()
{
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("config"));
    const QString missing = dir.filePath(QStringLiteral("gone"));
    QCOMPARE(settingsfile::locate(missing, QStringLiteral("potero"), config),
             config + QStringLiteral("/potero.ini"));
    QCOMPARE(settingsfile::locate(dir.path(), QStringLiteral("potero"), config),
             dir.filePath(QStringLiteral("potero.ini")));
    QCOMPARE(settingsfile::locate(missing, QStringLiteral("potero"), QString()),
             missing + QStringLiteral("/potero.ini"));
}

void TestSettingsFile::readMissingFails()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("potero.ini"));
    const settingsfile::ReadResult read = settingsfile::read(path);
    QVERIFY(!read.ok());
    QCOMPARE(read.error->path, path);
    QVERIFY(!read.error->reason.isEmpty());
    QVERIFY(!settingsfile::read(QString()).ok());
}

void TestSettingsFile::readRefusesWhatIsNotAFile()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("potero.ini"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Opening a FIFO with no writer would block the start for ever.
    QVERIFY(!settingsfile::read(fifo).ok());
    QVERIFY(!settingsfile::read(dir.path()).ok());
    QVERIFY(!settingsfile::read(QStringLiteral("/dev/zero")).ok());
}

void TestSettingsFile::readStopsAtTheCap()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("potero.ini"));
    SettingsRecord record;
    record.HScroll1 = 10000;
    record.HScroll2 = 6000;
    QByteArray bytes = record.format();
    bytes += QByteArray(settingsfile::kMaxReadBytes, 'x');
    put(path, bytes);
    const settingsfile::ReadResult read = settingsfile::read(path);
    QVERIFY(read.ok());
    QCOMPARE(read.bytes.size(), settingsfile::kMaxReadBytes);
    QVERIFY(SettingsRecord::parse(read.bytes).record == record);
}

void TestSettingsFile::firstRunWritesDefaults()
{
    QTemporaryDir dir;
    const QString path = settingsfile::pathIn(dir.path(), QStringLiteral("potero"));
    QVERIFY(!settingsfile::read(path).ok());
    SettingsRecord first;
    first.frmSetTop = 3300;
    first.MnuViewKanban = true;
    first.MnuViewWaku = true;
    first.HScroll1 = 10000;
    first.HScroll2 = 6000;
    QCOMPARE(failureOf(settingsfile::write(path, first.format())), QString());
    QCOMPARE(contents(path),
             QByteArray("0,0,0,3300,\"\",\"\",0,0,\"\",0,0,#TRUE#,#TRUE#,10000,6000,0\r\n"));
    const settingsfile::ReadResult read = settingsfile::read(path);
    QVERIFY(read.ok());
    QVERIFY(SettingsRecord::parse(read.bytes).record == first);
}

void TestSettingsFile::writeReplacesAndLeavesNoTemporary()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("potero.ini"));
    put(path, "old contents that are longer than the new ones\r\n");
    QCOMPARE(failureOf(settingsfile::write(path, "new\r\n")), QString());
    QCOMPARE(contents(path), QByteArray("new\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("potero.ini")});
}

void TestSettingsFile::writeIntoMissingFolder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config/potero/potero.ini"));
    QCOMPARE(failureOf(settingsfile::write(path, "x\r\n")), QString());
    QCOMPARE(contents(path), QByteArray("x\r\n"));
}

void TestSettingsFile::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("potero.ini"));
    const QByteArray old =
        "1200,600,1200,4650,\"/signs/\",\"\",0,0,\"\",0,0,#TRUE#,#TRUE#,1,2,0\r\n";
    put(path, old);
    std::optional<settingsfile::FileError> error;
    {
        const FileSizeLimit limit(16);
        error = settingsfile::write(path, QByteArray(4096, '9'));
    }
    QVERIFY(error.has_value());
    QCOMPARE(error->path, path);
    QVERIFY(!error->reason.isEmpty());
    QCOMPARE(contents(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("potero.ini")});
}

void TestSettingsFile::writeOverFolderFails()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("potero.ini"));
    QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
    const auto error = settingsfile::write(path, "x\r\n");
    QVERIFY(error.has_value());
    QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
    QVERIFY(settingsfile::write(QString(), "x\r\n").has_value());
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
