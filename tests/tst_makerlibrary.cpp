#include "platform/makerlibrary.h"
#include "support/verifyok.h"

#include "homepage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>

namespace {

const QString kReal = QString::fromUtf8(ZOR7RES_FILE);
const QString kHomePage = QString::fromUtf8(ZOR7RES_HOME_PAGE);

QString inFolder(const char *folder)
{
    return QDir(QString::fromUtf8(folder)).filePath(MakerLibrary::fileName());
}

} // namespace

class TestMakerLibrary : public QObject
{
    Q_OBJECT
private slots:
    // The library is built beside the executable, where the program looks for it.
    void realLibraryGivesTheConfiguredAddress()
    {
        QCOMPARE(QFileInfo(kReal).absolutePath(),
                 QFileInfo(QString::fromUtf8(POTERO_EXECUTABLE)).absolutePath());
        MakerLibrary library(QFileInfo(kReal).absolutePath());
        QCOMPARE(library.path(), kReal);
        for (int click = 0; click < 2; ++click) {
            const Result<QString> address = library.homePageAddress();
            QVERIFY_OK(address);
            QCOMPARE(*address, kHomePage);
        }
    }

    // Missing, not a library, without the export; then the real one is put in place, and the
    // failed load is tried again.
    void failuresNameTheCauseAndAreTriedAgain()
    {
        QTemporaryDir folder;
        MakerLibrary library(folder.path());
        const auto fails = [&](const QString &mentions) {
            const Result<QString> address = library.homePageAddress();
            QVERIFY2(reasonOf(address).contains(mentions.toUtf8()), reasonOf(address));
        };
        fails(MakerLibrary::fileName());
        QFile file(library.path());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not an ELF file") > 0);
        file.close();
        fails(MakerLibrary::fileName());
        QVERIFY(QFile::remove(library.path()) &&
                QFile::copy(inFolder(NOEXPORT_FOLDER), library.path()));
        fails(QStringLiteral("OrveltHpURL"));
        QVERIFY(QFile::remove(library.path()) && QFile::copy(kReal, library.path()));
        QCOMPARE(library.homePageAddress().value(), kHomePage);
    }

    void lookAlikeElsewhereIsNeverLoaded()
    {
        QVERIFY2(QFile::exists(inFolder(PLANTED_FOLDER)), qPrintable(inFolder(PLANTED_FOLDER)));
        // The test runs in the look-alike's folder, with that folder on the search path.
        QVERIFY(QDir::setCurrent(QString::fromUtf8(PLANTED_FOLDER)));
        QTemporaryDir empty;
        for (const QString &folder :
             {empty.path(), QString(), QStringLiteral("."), QStringLiteral("../zor7res_planted")}) {
            MakerLibrary library(folder);
            QVERIFY2(!library.homePageAddress().ok(), qPrintable(folder));
        }
        // Nor has it been mapped into this process by any other means.
        QCOMPARE(dlopen(QFile::encodeName(inFolder(PLANTED_FOLDER)), RTLD_NOW | RTLD_NOLOAD),
                 nullptr);
    }
};

QTEST_GUILESS_MAIN(TestMakerLibrary)
#include "tst_makerlibrary.moc"
