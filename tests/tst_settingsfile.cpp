#include "settings/settingsfile.h"
#include "settings/settingsrecord.h"

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

SettingsRecord withSpeeds(SettingsRecord r = {})
{
    r.HScroll1 = 10000;
    r.HScroll2 = 6000;
    return r;
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_dir.emplace().isValid());
        m_ini = m_dir->filePath(QStringLiteral("potero.ini"));
    }
    void pathIn_data();
    void pathIn();
    void pathBesideThisExecutable();
    void locateFallsBackToConfigFolder();
    void readFails();
    void readStopsAtTheCap();
    void firstRunWritesDefaults();
    void writeReplacesAndLeavesNoTemporary();
    void writeIntoMissingFolder();
    void failedWriteKeepsOldFile();
    void writeOverFolderFails();

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_ini; // the settings file in it
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
    const QString config = m_dir->filePath(QStringLiteral("config"));
    const QString missing = m_dir->filePath(QStringLiteral("gone"));
    const QString name = QStringLiteral("potero");
    QCOMPARE(settingsfile::locate(missing, name, config), config + QStringLiteral("/potero.ini"));
    QCOMPARE(settingsfile::locate(m_dir->path(), name, config), m_ini);
    QCOMPARE(settingsfile::locate(missing, name, QString()),
             missing + QStringLiteral("/potero.ini"));
}

void TestSettingsFile::readFails()
{
    QVERIFY(!settingsfile::read(QString()).ok());
    const settingsfile::ReadResult missing = settingsfile::read(m_ini);
    QVERIFY(!missing.ok());
    QCOMPARE(missing.error->path, m_ini);
    QVERIFY(!missing.error->reason.isEmpty());
    // Opening a FIFO with no writer would block the start for ever.
    QCOMPARE(mkfifo(QFile::encodeName(m_ini).constData(), 0600), 0);
    for (const QString &path : {m_ini, m_dir->path(), QStringLiteral("/dev/zero")})
        QVERIFY2(!settingsfile::read(path).ok(), qPrintable(path));
}

void TestSettingsFile::readStopsAtTheCap()
{
    const SettingsRecord record = withSpeeds();
    put(m_ini, record.format() + QByteArray(settingsfile::kMaxReadBytes, 'x'));
    const settingsfile::ReadResult read = settingsfile::read(m_ini);
    QVERIFY(read.ok());
    QCOMPARE(read.bytes.size(), settingsfile::kMaxReadBytes);
    QVERIFY(SettingsRecord::parse(read.bytes).record == record);
}

void TestSettingsFile::firstRunWritesDefaults()
{
    const QString path = settingsfile::pathIn(m_dir->path(), QStringLiteral("potero"));
    QVERIFY(!settingsfile::read(path).ok());
    SettingsRecord first = withSpeeds();
    first.frmSetTop = 3300;
    first.MnuViewKanban = true;
    first.MnuViewWaku = true;
    QCOMPARE(failureOf(settingsfile::write(path, first.format())), QString());
    QCOMPARE(contents(path),
             QByteArray("0,0,0,3300,\"\",\"\",0,0,\"\",0,0,#TRUE#,#TRUE#,10000,6000,0\r\n"));
    const settingsfile::ReadResult read = settingsfile::read(path);
    QVERIFY(read.ok());
    QVERIFY(SettingsRecord::parse(read.bytes).record == first);
}

void TestSettingsFile::writeReplacesAndLeavesNoTemporary()
{
    put(m_ini, "old contents that are longer than the new ones\r\n");
    QCOMPARE(failureOf(settingsfile::write(m_ini, "new\r\n")), QString());
    QCOMPARE(contents(m_ini), QByteArray("new\r\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("potero.ini")});
}

void TestSettingsFile::writeIntoMissingFolder()
{
    const QString path = m_dir->filePath(QStringLiteral("config/potero/potero.ini"));
    QCOMPARE(failureOf(settingsfile::write(path, "x\r\n")), QString());
    QCOMPARE(contents(path), QByteArray("x\r\n"));
}

void TestSettingsFile::failedWriteKeepsOldFile()
{
    const QByteArray old =
        "1200,600,1200,4650,\"/signs/\",\"\",0,0,\"\",0,0,#TRUE#,#TRUE#,1,2,0\r\n";
    put(m_ini, old);
    std::optional<settingsfile::FileError> error;
    {
        const FileSizeLimit limit(16);
        error = settingsfile::write(m_ini, QByteArray(4096, '9'));
    }
    QVERIFY(error.has_value());
    QCOMPARE(error->path, m_ini);
    QVERIFY(!error->reason.isEmpty());
    QCOMPARE(contents(m_ini), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("potero.ini")});
}

void TestSettingsFile::writeOverFolderFails()
{
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("potero.ini/inside"))));
    QVERIFY(settingsfile::write(m_ini, "x\r\n").has_value());
    QVERIFY(QFileInfo(m_dir->filePath(QStringLiteral("potero.ini/inside"))).isDir());
    QVERIFY(settingsfile::write(QString(), "x\r\n").has_value());
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
