#include "platform/filelist.h"
#include "platform/pictureloader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Creates a file from the raw bytes of its name, as the system stores it.
void makeFile(const QString &folder, const QByteArray &name, const QByteArray &contents = {})
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        qFatal("cannot create %s", path.constData());
    if (!contents.isEmpty() &&
        ::write(fd, contents.constData(), size_t(contents.size())) != contents.size())
        qFatal("cannot write %s", path.constData());
    ::close(fd);
}

void makeFiles(const QString &folder, const QStringList &names)
{
    for (const QString &name : names)
        makeFile(folder, name.toUtf8());
}

QByteArray smallBmp()
{
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

} // namespace

class TestFileList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void nameOrder_data();
    void nameOrder();
    void orderIndependentOfCreation();
    void leavesOutWhatIsNotAPictureFile();
    void readOnlyWhenSet();
    void startsInWorkingDirectory();
    void failedSetKeepsTheList_data();
    void failedSetKeepsTheList();
    void countPastSixteenBits_data();
    void countPastSixteenBits();

    void nameRoundTrip_data();
    void nameRoundTrip();
    void namesNotUtf8StillLoad();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFileList::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

// QTemporaryDir cannot see names that are not UTF-8, so it could not remove them.
void TestFileList::cleanup()
{
    std::error_code ignored;
    std::filesystem::remove_all(QFile::encodeName(m_dir->path()).toStdString(), ignored);
}

void TestFileList::nameOrder_data()
{
    QTest::addColumn<QStringList>("created");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("mixed case and extensions, text left out")
        << QStringList{"d.txt", "c.GIF", "B.jpg", "a.bmp"}
        << QStringList{"a.bmp", "B.jpg", "c.GIF"};
    QTest::newRow("all six extensions in any case")
        << QStringList{"f.JPEG", "e.Jpg", "d.gIF", "c.EmF", "b.wmf", "a.BMP"}
        << QStringList{"a.BMP", "b.wmf", "c.EmF", "d.gIF", "e.Jpg", "f.JPEG"};
    QTest::newRow("names equal but for case: upper case first")
        << QStringList{"a.bmp", "A.bmp", "a.BMP"} << QStringList{"A.bmp", "a.BMP", "a.bmp"};
    QTest::newRow("signs sort as in lower case")
        << QStringList{"Y.bmp", "_z.bmp", "a.bmp", "[x.bmp"}
        << QStringList{"[x.bmp", "_z.bmp", "a.bmp", "Y.bmp"};
    QTest::newRow("digits by character, not by value")
        << QStringList{"9.bmp", "10.bmp", "1.bmp"} << QStringList{"1.bmp", "10.bmp", "9.bmp"};
    QTest::newRow("Japanese and full-width names")
        << QStringList{"東京.bmp", "Ｂ.gif", "大阪.jpg", "ａ.bmp", "あ.bmp"}
        << QStringList{"あ.bmp", "大阪.jpg", "東京.bmp", "ａ.bmp", "Ｂ.gif"};
    QTest::newRow("empty folder") << QStringList{} << QStringList{};
}

void TestFileList::nameOrder()
{
    QFETCH(QStringList, created);
    QFETCH(QStringList, listed);
    makeFiles(m_dir->path(), created);
    FileList list;
    QVERIFY(!list.setPath(m_dir->path()));
    QCOMPARE(list.entries(), listed);
    QCOMPARE(list.count(), listed.size());
    for (int i = 0; i < listed.size(); ++i)
        QCOMPARE(list.entry(i), std::optional<QString>(listed[i]));
    for (int outside : {-1, int(listed.size()), 65536})
        QCOMPARE(list.entry(outside), std::nullopt);
}

// Forty names of mixed case and extensions, made in two orders in two folders: a list that
// followed the directory's own order would differ between them.
void TestFileList::orderIndependentOfCreation()
{
    const char *extensions[] = {"bmp", "BMP", "Gif", "jpg", "JPEG", "wmf", "Emf", "jPg"};
    QStringList names;
    for (int i = 0; i < 40; ++i) {
        const QString stem =
            (i % 3 == 0 ? QStringLiteral("Sign%1") : QStringLiteral("sign%1")).arg(i % 20);
        names << stem + u'.' + QLatin1String(extensions[i % 8]);
    }
    QTemporaryDir other;
    makeFiles(m_dir->path(), names);
    std::reverse(names.begin(), names.end());
    makeFiles(other.path(), names);

    FileList first;
    FileList second;
    QVERIFY(!first.setPath(m_dir->path()));
    QVERIFY(!second.setPath(other.path()));
    QCOMPARE(first.count(), 40);
    QCOMPARE(first.entries(), second.entries());
    const QStringList listed = first.entries();
    for (int i = 1; i < listed.size(); ++i)
        QVERIFY2(listed[i - 1].compare(listed[i], Qt::CaseInsensitive) <= 0,
                 qPrintable(listed[i - 1] + u' ' + listed[i]));
}

void TestFileList::leavesOutWhatIsNotAPictureFile()
{
    const QDir folder(m_dir->path());
    makeFiles(folder.path(),
              {"sign.bmp", ".hidden.bmp", "noextension", "x.bmp.txt", "x.bmpx", "x.jpe", "bmp"});
    QVERIFY(folder.mkdir(QStringLiteral("folder.bmp")));
    QVERIFY(folder.mkdir(QStringLiteral("folder")));
    makeFile(folder.filePath(QStringLiteral("folder")), "inside.bmp");
    QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath("pipe.gif")).constData(), 0600), 0);
    QVERIFY(QFile::link(folder.filePath("sign.bmp"), folder.filePath("link.jpg")));
    QVERIFY(QFile::link(folder.filePath("folder"), folder.filePath("linkfolder.bmp")));
    QVERIFY(QFile::link(folder.filePath("gone"), folder.filePath("dangling.emf")));

    FileList list;
    QVERIFY(!list.setPath(folder.path()));
    QCOMPARE(list.entries(), (QStringList{"link.jpg", "sign.bmp"}));
}

void TestFileList::readOnlyWhenSet()
{
    const QString folder = m_dir->path();
    makeFiles(folder, {"b.bmp", "c.bmp"});
    FileList list;
    QVERIFY(!list.setPath(folder));
    makeFiles(folder, {"a.bmp"});
    QVERIFY(QFile::remove(folder + QStringLiteral("/c.bmp")));
    QCOMPARE(list.entries(), (QStringList{"b.bmp", "c.bmp"}));

    QVERIFY(!list.setPath(folder));
    QCOMPARE(list.entries(), (QStringList{"a.bmp", "b.bmp"}));
}

void TestFileList::startsInWorkingDirectory()
{
    makeFiles(m_dir->path(), {"here.gif", "other.txt"});
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const FileList list;
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(QDir(list.path()).canonicalPath(), QDir(m_dir->path()).canonicalPath());
    QCOMPARE(list.entries(), QStringList{"here.gif"});
}

void TestFileList::failedSetKeepsTheList_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("expected");
    const int notFound = int(FileListError::Kind::NotFound);
    QTest::newRow("missing folder") << "missing" << notFound;
    QTest::newRow("missing parent") << "missing/below" << notFound;
    QTest::newRow("a file, not a folder") << "file" << notFound;
    QTest::newRow("a FIFO, not a folder") << "fifo" << notFound;
    QTest::newRow("empty path") << "" << notFound;
    QTest::newRow("links that point at each other") << "loop" << int(FileListError::Kind::Other);
}

void TestFileList::failedSetKeepsTheList()
{
    QFETCH(QString, kind);
    QFETCH(int, expected);
    QTemporaryDir good;
    makeFiles(good.path(), {"kept.bmp"});
    FileList list;
    QVERIFY(!list.setPath(good.path()));

    QString path;
    if (!kind.isEmpty())
        path = m_dir->filePath(kind);
    if (kind == u"file")
        makeFiles(m_dir->path(), {"file"});
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == u"loop")
        QVERIFY(QFile::link(m_dir->filePath("loop2"), path) &&
                QFile::link(path, m_dir->filePath("loop2")));
    const std::optional<FileListError> error = list.setPath(path);
    QVERIFY(error);
    QCOMPARE(int(error->kind), expected);
    QVERIFY(!error->description.isEmpty());
    QCOMPARE(list.path(), good.path());
    QCOMPARE(list.entries(), QStringList{"kept.bmp"});
}

void TestFileList::countPastSixteenBits_data()
{
    QTest::addColumn<int>("files");
    QTest::newRow("at the limit") << 5;
    QTest::newRow("one past") << 6;
}

// Past its cap (16-bit positions in the program) a list keeps the first names in name order.
void TestFileList::countPastSixteenBits()
{
    QFETCH(int, files);
    // Made in descending order so the cut cannot follow the order of creation.
    for (int i = files - 1; i >= 0; --i)
        makeFile(m_dir->path(), QByteArray("p") + QByteArray::number(i) + ".bmp");
    FileList list(5);
    QVERIFY(!list.setPath(m_dir->path()));
    QCOMPARE(list.count(), qint16(5));
    QCOMPARE(list.truncated(), files > 5);
    QCOMPARE(list.entry(0), std::optional<QString>(QStringLiteral("p0.bmp")));
    QCOMPARE(list.entry(4), std::optional<QString>(QStringLiteral("p4.bmp")));
    QCOMPARE(list.entry(5), std::nullopt);
}

void TestFileList::nameRoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("validUtf8");
    QTest::newRow("ASCII") << QByteArray("sign01.bmp") << true;
    QTest::newRow("Japanese") << QByteArray("\xE6\x9D\xB1\xE4\xBA\xAC.bmp") << true;
    QTest::newRow("four-byte character") << QByteArray("\xF0\x9F\x9A\x8C.gif") << true;
    QTest::newRow("Latin-1 byte") << QByteArray("caf\xE9.bmp") << false;
    QTest::newRow("CP932 bytes") << QByteArray("\x93\x8C\x8B\x9E.bmp") << false;
    QTest::newRow("lone 0xFF at the start") << QByteArray("\xFF.jpg") << false;
    QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF.bmp") << false;
    QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80.bmp") << false;
    QTest::newRow("sequence cut at the end") << QByteArray("x.bmp\xE6\x97") << false;
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80.bmp") << false;
    QTest::newRow("bytes like an escape, as text") << QByteArray("\xED\xB2\x80.bmp") << false;
    // Valid, but the toolkit's own decoding drops a mark that begins a run of text.
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF.bmp") << false;
    QTest::newRow("byte-order mark after a kept byte")
        << QByteArray("\xFF\xEF\xBB\xBF.bmp") << false;
}

void TestFileList::nameRoundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, validUtf8);
    const QString name = FileList::decodeName(bytes);
    QCOMPARE(FileList::encodeName(name), bytes);
    if (validUtf8)
        QCOMPARE(name, QString::fromUtf8(bytes));
    else
        QVERIFY(!name.contains(QChar::ReplacementCharacter));
}

void TestFileList::namesNotUtf8StillLoad()
{
    const QByteArray names[] = {"caf\xE9.bmp", "\x93\x8C\x8B\x9E.bmp", "\xE6\x97\xA5.bmp"};
    for (const QByteArray &name : names)
        makeFile(m_dir->path(), name, smallBmp());
    FileList list;
    QVERIFY(!list.setPath(m_dir->path()));
    QCOMPARE(list.count(), 3);
    for (const QString &entry : list.entries()) {
        const auto picture = Load(list.path() + u'/' + entry);
        QVERIFY(picture);
        QCOMPARE(picture->naturalSize(), QSize(4, 2));
        QCOMPARE(picture->bitmap().pixel(0, 0), qRgb(10, 200, 30));
    }
}

QTEST_GUILESS_MAIN(TestFileList)
#include "tst_filelist.moc"
