// Every metafile of the corpus against its reference rendering.
#include "platform/metafile/metafile.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QtTest>

using metafile::Metafile;

namespace {

const QString kFolder = QStringLiteral(POTERO_TEST_DATA "/metafile");

QImage overWhite(const QImage &image)
{
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter(&out).drawImage(0, 0, image);
    return out;
}

// The share of pixels with no reference pixel within one pixel of them within 40 in every
// channel: edges that antialias differently or lie half a pixel apart do not count.
double differingShare(const QImage &actual, const QImage &reference)
{
    const auto near = [](QRgb a, QRgb b) {
        return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                         std::abs(qBlue(a) - qBlue(b))}) <= 40;
    };
    const QRect bounds = reference.rect();
    int differing = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = bounds.contains(x + dx, y + dy) &&
                            near(actual.pixel(x, y), reference.pixel(x + dx, y + dy));
            differing += !found;
        }
    }
    return 100.0 * differing / (actual.width() * actual.height());
}

// The share a file may differ by: 5 %, or its "name percent reason" line in tolerances.txt.
double tolerance(const QString &name)
{
    QFile file(kFolder + QStringLiteral("/tolerances.txt"));
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd()) {
            const QList<QByteArray> parts = file.readLine().split(' ');
            if (parts.size() >= 2 && parts[0] == name.toUtf8())
                return parts[1].toDouble();
        }
    }
    return 5.0;
}

} // namespace

class TestMetafileCorpus : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
};

void TestMetafileCorpus::matchesReference_data()
{
    QTest::addColumn<QString>("name");
    const QStringList files =
        QDir(kFolder).entryList({QStringLiteral("*.wmf"), QStringLiteral("*.emf")});
    QVERIFY(files.size() >= 30);
    for (const QString &name : files)
        QTest::newRow(qPrintable(name)) << name;
}

void TestMetafileCorpus::matchesReference()
{
    QFETCH(QString, name);
    QFile file(kFolder + u'/' + name);
    const auto mf = Metafile::fromData(file.open(QIODevice::ReadOnly) ? file.readAll() : "");
    QVERIFY2(mf, "not a picture");
    const QImage reference(kFolder + QStringLiteral("/ref/") + name + QStringLiteral(".png"));
    QVERIFY2(!reference.isNull(), "no reference rendering");
    const QImage actual = overWhite(mf->toImage(reference.size()));
    const double share = differingShare(actual, overWhite(reference)), allowed = tolerance(name);
    if (share > allowed) {
        const QString out = QDir::temp().filePath(QStringLiteral("metafile-actual"));
        QDir().mkpath(out);
        actual.save(out + u'/' + name + QStringLiteral(".png"));
    }
    QVERIFY2(share <= allowed, qPrintable(QStringLiteral("%1 % of pixels differ, tolerance %2 %")
                                              .arg(share, 0, 'f', 1)
                                              .arg(allowed)));
}

QTEST_MAIN(TestMetafileCorpus)
#include "tst_metafile_corpus.moc"
