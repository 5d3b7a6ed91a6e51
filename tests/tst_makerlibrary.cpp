#include "platform/makerlibrary.h"

#include "homepage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>

namespace {

QString realFolder()
{
    return QFileInfo(QString::fromUtf8(ZOR7RES_FILE)).absolutePath();
}

QString plantedPath()
{
    return QDir(QString::fromUtf8(PLANTED_FOLDER)).filePath(MakerLibrary::fileName());
}

// Whether the look-alike has been mapped into this process by any means.
bool plantedIsLoaded()
{
    void *handle = dlopen(QFile::encodeName(plantedPath()).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) {
        dlclose(handle);
    }
    return handle != nullptr;
}

} // namespace

class TestMakerLibrary : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(plantedPath()), qPrintable(plantedPath()));
        QVERIFY(!plantedIsLoaded());
    }

    void realLibraryGivesTheConfiguredAddress()
    {
        MakerLibrary library(realFolder());
        QCOMPARE(library.path(), QString::fromUtf8(ZOR7RES_FILE));
        for (int click = 0; click < 2; ++click) {
            const MakerLibrary::Answer answer = library.homePageAddress();
            QVERIFY2(answer.ok(), qPrintable(answer.error));
            QCOMPARE(answer.address, QString::fromUtf8(ZOR7RES_HOME_PAGE));
        }
    }

    void libraryIsBuiltBesideTheExecutable()
    {
        const QFileInfo library(QString::fromUtf8(ZOR7RES_FILE));
        QCOMPARE(library.fileName(), MakerLibrary::fileName());
        QCOMPARE(library.absolutePath(),
                 QFileInfo(QString::fromUtf8(POTERO_EXECUTABLE)).absolutePath());
    }

    void failures_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("missing") << QString() << MakerLibrary::fileName();
        QTest::newRow("not a library")
            << QStringLiteral("not an ELF file") << MakerLibrary::fileName();
        QTest::newRow("without the export")
            << QStringLiteral("noexport") << QStringLiteral("OrveltHpURL");
    }
    void failures()
    {
        QFETCH(QString, content);
        QFETCH(QString, mentions);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString target = folder.filePath(MakerLibrary::fileName());
        if (content == QLatin1String("noexport")) {
            const QString source =
                QDir(QString::fromUtf8(NOEXPORT_FOLDER)).filePath(MakerLibrary::fileName());
            QVERIFY(QFile::copy(source, target));
        } else if (!content.isEmpty()) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content.toUtf8());
        }
        MakerLibrary library(folder.path());
        const MakerLibrary::Answer answer = library.homePageAddress();
        QVERIFY(!answer.ok());
        QVERIFY(answer.address.isEmpty());
        QVERIFY2(answer.error.contains(mentions), qPrintable(answer.error));
    }

    void lookAlikeElsewhereIsNeverLoaded()
    {
        // The test runs in the look-alike's folder, with that folder on the search path.
        QVERIFY(QDir::setCurrent(QString::fromUtf8(PLANTED_FOLDER)));
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        for (const QString &folder :
             {empty.path(), QString(), QStringLiteral("."), QStringLiteral("../zor7res_planted")}) {
            MakerLibrary library(folder);
            const MakerLibrary::Answer answer = library.homePageAddress();
            QVERIFY2(!answer.ok(), qPrintable(folder + QLatin1String(": ") + answer.address));
        }
        QVERIFY(!plantedIsLoaded());
    }

    void failedLoadIsTriedAgain()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        MakerLibrary library(folder.path());
        QVERIFY(!library.homePageAddress().ok());
        QVERIFY(QFile::copy(QString::fromUtf8(ZOR7RES_FILE), library.path()));
        const MakerLibrary::Answer answer = library.homePageAddress();
        QVERIFY2(answer.ok(), qPrintable(answer.error));
        QCOMPARE(answer.address, QString::fromUtf8(ZOR7RES_HOME_PAGE));
    }
};

QTEST_GUILESS_MAIN(TestMakerLibrary)
#include "tst_makerlibrary.moc"
