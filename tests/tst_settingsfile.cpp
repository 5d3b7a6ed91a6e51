#include "settings/settingsfile.h"
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

    void pathIn()
    {
        const auto in = [](const char *folder, const char *name) {
            return settingsfile::pathIn(QString::fromUtf8(folder), QString::fromUtf8(name));
        };
        QCOMPARE(in("/opt/potero", "potero"), QStringLiteral("/opt/potero/potero.ini"));
        QCOMPARE(in("/", "potero"), QStringLiteral("/potero.ini"));
        QCOMPARE(in("/opt//", "x.v2"), QStringLiteral("/opt/x.v2.ini"));
        QCOMPARE(in("//", "x"), QStringLiteral("/x.ini"));
        QCOMPARE(in("", "potero"), QString());
        QCOMPARE(in("/opt", ""), QString());
    }

    // Beside the executable, or in the configuration folder when that cannot be written.
    void locate()
    {
        QCOMPARE(settingsfile::path(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/tst_settingsfile.ini"));
        const QString config = m_dir->filePath(QStringLiteral("config"));
        const QString missing = m_dir->filePath(QStringLiteral("gone"));
        const QString name = QStringLiteral("potero");
        QCOMPARE(settingsfile::locate(missing, name, config),
                 config + QStringLiteral("/potero.ini"));
        QCOMPARE(settingsfile::locate(m_dir->path(), name, config), m_ini);
        QCOMPARE(settingsfile::locate(missing, name, QString()),
                 missing + QStringLiteral("/potero.ini"));
    }

    void readFails()
    {
        QVERIFY(!settingsfile::read(QString()));
        const Result<QByteArray> missing = settingsfile::read(m_ini);
        QVERIFY(!reasonOf(missing).isEmpty());
        // Opening a FIFO with no writer would block the start for ever.
        QCOMPARE(mkfifo(QFile::encodeName(m_ini).constData(), 0600), 0);
        for (const QString &path : {m_ini, m_dir->path(), QStringLiteral("/dev/zero")})
            QVERIFY2(!settingsfile::read(path), qPrintable(path));
    }

    void readStopsAtTheCap()
    {
        put(m_ini, "ab" + QByteArray(settingsfile::kMaxReadBytes, 'x'));
        const Result<QByteArray> read = settingsfile::read(m_ini);
        QVERIFY(read);
        QCOMPARE(read->size(), settingsfile::kMaxReadBytes);
        QVERIFY(read->startsWith("abx"));
    }

    void writeReplacesAndLeavesNoTemporary()
    {
        put(m_ini, "old contents that are longer than the new ones\r\n");
        QVERIFY_OK(settingsfile::write(m_ini, "new\r\n"));
        QCOMPARE(contents(m_ini), QByteArray("new\r\n"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("potero.ini")});
        const QString deeper = m_dir->filePath(QStringLiteral("config/potero/potero.ini"));
        QVERIFY_OK(settingsfile::write(deeper, "x\r\n"));
        QCOMPARE(contents(deeper), QByteArray("x\r\n"));
    }

    void failedWriteKeepsOldFile()
    {
        const QByteArray old = "the settings of the last run\r\n";
        put(m_ini, old);
        // The largest file this process may write is lowered, as a full disk would stop a save
        // halfway.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lowered{16, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lowered);
        const QByteArray reason = reasonOf(settingsfile::write(m_ini, QByteArray(4096, '9')));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        QVERIFY(!reason.isEmpty());
        QCOMPARE(contents(m_ini), old);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("potero.ini")});
    }

    void writeOverFolderFails()
    {
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("potero.ini/inside"))));
        QVERIFY(!settingsfile::write(m_ini, "x\r\n"));
        QVERIFY(QFileInfo(m_dir->filePath(QStringLiteral("potero.ini/inside"))).isDir());
        QVERIFY(!settingsfile::write(QString(), "x\r\n"));
    }

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_ini; // the settings file in it
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
