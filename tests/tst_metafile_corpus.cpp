// Every metafile of the corpus against its reference rendering.
#include "platform/metafile/metafile.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QtTest>

using metafile::Metafile;

namespace {

// A pixel differs when no reference pixel within one pixel of it is within this distance
// (the largest of the three channel differences, both pictures over white): edges that
// antialias differently or lie half a pixel apart do not count.
constexpr int kThreshold = 40;
constexpr double kDefaultTolerance = 5.0;

const QString kFolder = QStringLiteral(POTERO_TEST_DATA "/metafile");

QImage overWhite(const QImage &image)
{
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

int distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

double differingShare(const QImage &actual, const QImage &reference)
{
    int differing = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx) {
                    const int rx = x + dx, ry = y + dy;
                    near = rx >= 0 && ry >= 0 && rx < reference.width() &&
                           ry < reference.height() &&
                           distance(actual.pixel(x, y), reference.pixel(rx, ry)) <= kThreshold;
                }
            differing += !near;
        }
    }
    return 100.0 * differing / (actual.width() * actual.height());
}

// "name percent reason" lines: files that may differ more than the default, and why.
QHash<QString, double> tolerances()
{
    QHash<QString, double> out;
    QFile file(kFolder + QStringLiteral("/tolerances.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return out;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
        if (parts.size() >= 2)
            out.insert(parts[0], parts[1].toDouble());
    }
    return out;
}

} // namespace

class TestMetafileCorpus : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void corpusIsComplete();
};

void TestMetafileCorpus::matchesReference_data()
{
    QTest::addColumn<QString>("name");
    const QStringList files = QDir(kFolder).entryList(
        {QStringLiteral("*.wmf"), QStringLiteral("*.emf")}, QDir::Files, QDir::Name);
    for (const QString &name : files)
        QTest::newRow(qPrintable(name)) << name;
}

void TestMetafileCorpus::matchesReference()
{
    QFETCH(QString, name);
    QFile file(kFolder + u'/' + name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const auto mf = Metafile::fromData(file.readAll());
    QVERIFY2(mf, "not a picture");
    const QImage reference(kFolder + QStringLiteral("/ref/") + name + QStringLiteral(".png"));
    QVERIFY2(!reference.isNull(), "no reference rendering");
    const QImage actual = overWhite(mf->toImage(reference.size()));
    const double share = differingShare(actual, overWhite(reference));
    const double tolerance = tolerances().value(name, kDefaultTolerance);
    if (share > tolerance) {
        const QString out = QDir::temp().filePath(QStringLiteral("metafile-actual"));
        QDir().mkpath(out);
        actual.save(out + u'/' + name + QStringLiteral(".png"));
    }
    QVERIFY2(share <= tolerance, qPrintable(QStringLiteral("%1 % of pixels differ, tolerance %2 %")
                                                .arg(share, 0, 'f', 1)
                                                .arg(tolerance)));
    qInfo("%s: %.1f %% differ (tolerance %.0f %%)", qPrintable(name), share, tolerance);
}

void TestMetafileCorpus::corpusIsComplete()
{
    const QDir folder(kFolder);
    const QStringList files =
        folder.entryList({QStringLiteral("*.wmf"), QStringLiteral("*.emf")}, QDir::Files);
    QVERIFY2(files.size() >= 30, qPrintable(QString::number(files.size())));
    // Sign-sized pictures with Japanese text in both formats.
    QVERIFY(files.contains(QStringLiteral("hm_sign_text.wmf")));
    QVERIFY(files.contains(QStringLiteral("hm_sign_text.emf")));
}

QTEST_MAIN(TestMetafileCorpus)
#include "tst_metafile_corpus.moc"
