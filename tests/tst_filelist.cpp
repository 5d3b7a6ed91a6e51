#include "decoder/pictureloader.h"
#include "platform/filelist.h"

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

// Creates empty files from the raw bytes of their names, as the system stores them.
void makeFiles(const QString &folder, const QList<QByteArray> &names)
{
    for (const QByteArray &name : names) {
        const int fd = ::open(QFile::encodeName(folder) + '/' + name, O_WRONLY | O_CREAT, 0644);
        QVERIFY2(fd >= 0, name.constData());
        ::close(fd);
    }
}

} // namespace

class TestFileList : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.emplace().isValid()); }

    // QTemporaryDir cannot see names that are not UTF-8, so it could not remove them.
    void cleanup()
    {
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(m_dir->path()).toStdString(), ignored);
    }

    void nameOrder_data()
    {
        QTest::addColumn<QList<QByteArray>>("created");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("case and extensions, text left out")
            << QList<QByteArray>{"d.txt", "c.GIF", "B.jpg", "f.JPEG", "e.emf", "g.Wmf", "a.bmp"}
            << QStringList{"a.bmp", "B.jpg", "c.GIF", "e.emf", "f.JPEG", "g.Wmf"};
        QTest::newRow("names equal but for case: upper case first")
            << QList<QByteArray>{"a.bmp", "A.bmp", "a.BMP"}
            << QStringList{"A.bmp", "a.BMP", "a.bmp"};
        QTest::newRow("signs as in lower case, digits by character")
            << QList<QByteArray>{"Y.bmp", "_z.bmp", "a.bmp", "[x.bmp", "9.bmp", "10.bmp"}
            << QStringList{"10.bmp", "9.bmp", "[x.bmp", "_z.bmp", "a.bmp", "Y.bmp"};
        QTest::newRow("Japanese and full-width names")
            << QList<QByteArray>{"東京.bmp", "Ｂ.gif", "大阪.jpg", "ａ.bmp", "あ.bmp"}
            << QStringList{"あ.bmp", "大阪.jpg", "東京.bmp", "ａ.bmp", "Ｂ.gif"};
        QTest::newRow("empty folder") << QList<QByteArray>{} << QStringList{};
    }
    void nameOrder()
    {
        QFETCH(QList<QByteArray>, created);
        QFETCH(QStringList, listed);
        makeFiles(m_dir->path(), created);
        FileList list;
        QVERIFY(list.setPath(m_dir->path()));
        QCOMPARE(list.entries(), listed);
        for (int i : {-1, 0, int(listed.size()) - 1, int(listed.size())})
            QCOMPARE(list.entry(i),
                     i < 0 || i >= listed.size() ? std::nullopt : std::optional(listed.value(i)));
    }

    // Only the folder's own regular files (links to one included) are listed. A failed set
    // keeps the list; a missing folder is answered by asking again, links in a loop are another
    // failure.
    void leavesOutWhatIsNotAPictureFileAndKeepsItOnFailure()
    {
        const QDir folder(m_dir->path());
        makeFiles(folder.path(), {"sign.bmp", ".hidden.bmp", "noextension", "x.bmp.txt", "x.bmpx",
                                  "x.jpe", "bmp"});
        QVERIFY(folder.mkdir(QStringLiteral("folder.bmp")));
        QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath("pipe.gif")).constData(), 0600), 0);
        for (const auto &[target, link] : {std::pair("sign.bmp", "link.jpg"),
                                           {"folder.bmp", "linkfolder.bmp"},
                                           {"gone", "dangling.emf"},
                                           {"pipe.gif", "linkpipe.gif"},
                                           {"loop2", "loop"},
                                           {"loop", "loop2"}})
            QVERIFY(QFile::link(folder.filePath(target), folder.filePath(link)));
        FileList list;
        QVERIFY(list.setPath(folder.path()));
        const QStringList listed{"link.jpg", "sign.bmp"};
        QCOMPARE(list.entries(), listed);
        for (const QString name :
             {"missing", "missing/below", "sign.bmp", "pipe.gif", "", "loop"}) {
            const Status set = list.setPath(name.isEmpty() ? QString() : folder.filePath(name));
            QVERIFY2(!set && !set.error().message.isEmpty(), qPrintable(name));
            QCOMPARE(FileList::isNotFound(set.error()), name != u"loop");
            QCOMPARE(list.path(), folder.path());
            QCOMPARE(list.entries(), listed);
        }
    }

    // The list is read when a folder is set, at the start the working folder, and only then.
    void readOnlyWhenSet()
    {
        const QString folder = m_dir->path();
        makeFiles(folder, {"b.bmp", "c.bmp"});
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder));
        FileList list;
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(QDir(list.path()).canonicalPath(), QDir(folder).canonicalPath());
        makeFiles(folder, {"a.bmp"});
        QVERIFY(QFile::remove(folder + QStringLiteral("/c.bmp")));
        QCOMPARE(list.entries(), (QStringList{"b.bmp", "c.bmp"}));
        QVERIFY(list.setPath(folder));
        QCOMPARE(list.entries(), (QStringList{"a.bmp", "b.bmp"}));
    }

    // Past its cap (16-bit positions in the program) a list keeps the first names in name
    // order; the name cut was made first, so the cut cannot follow the order of creation.
    void keepsTheFirstNamesPastItsCap()
    {
        makeFiles(m_dir->path(), {"p5.bmp", "p4.bmp", "p3.bmp", "p2.bmp", "p1.bmp"});
        FileList list(5);
        QVERIFY(list.setPath(m_dir->path()) && !list.truncated());
        makeFiles(m_dir->path(), {"p0.bmp"});
        QVERIFY(list.setPath(m_dir->path()) && list.truncated());
        QCOMPARE(list.entries(), (QStringList{"p0.bmp", "p1.bmp", "p2.bmp", "p3.bmp", "p4.bmp"}));
    }

    // Names are bytes: every one comes back as it was, none as a replacement character; valid
    // UTF-8 reads as text. Not UTF-8: Latin-1, CP932, a lone 0xFF, an overlong "/", a
    // surrogate, a cut sequence, past U+10FFFF, bytes like an escape, a byte-order mark (the
    // toolkit's decoding drops one) alone and after a kept byte.
    void nameRoundTrip()
    {
        for (const QByteArray bytes :
             {"sign01.bmp", "\xE6\x9D\xB1\xE4\xBA\xAC.bmp", "\xF0\x9F\x9A\x8C.gif", "caf\xE9.bmp",
              "\x93\x8C\x8B\x9E.bmp", "\xFF.jpg", "a\xC0\xAF.bmp", "\xED\xA0\x80.bmp",
              "x.bmp\xE6\x97", "\xF4\x90\x80\x80.bmp", "\xED\xB2\x80.bmp", "\xEF\xBB\xBF.bmp",
              "\xFF\xEF\xBB\xBF.bmp"}) {
            const QString name = FileList::decodeName(bytes);
            QCOMPARE(FileList::encodeName(name), bytes);
            QVERIFY(!name.contains(QChar::ReplacementCharacter));
            if (const QString text = QString::fromUtf8(bytes); text.toUtf8() == bytes)
                QCOMPARE(name, text);
        }
    }

    void namesNotUtf8StillLoad()
    {
        QImage image(4, 2, QImage::Format_RGB32);
        image.fill(Qt::green);
        const QString made = m_dir->filePath(QStringLiteral("made"));
        QVERIFY(image.save(made, "BMP"));
        for (const char *name : {"caf\xE9.bmp", "\x93\x8C\x8B\x9E.bmp", "\xE6\x97\xA5.bmp"})
            QCOMPARE(::link(QFile::encodeName(made), QFile::encodeName(m_dir->path()) + '/' + name),
                     0);
        FileList list;
        QVERIFY(list.setPath(m_dir->path()));
        QCOMPARE(list.count(), 3);
        for (const QString &entry : list.entries()) {
            const auto picture = Load(list.path() + u'/' + entry);
            QVERIFY2(picture && picture->naturalSize() == QSize(4, 2), qPrintable(entry));
        }
    }

private:
    std::optional<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestFileList)
#include "tst_filelist.moc"
