// Prints, for each corpus metafile, how far the player's picture is from GDI's by the strict
// measure of the tests, then the median and the share of files within 0.25.
// usage: QT_QPA_PLATFORM=offscreen bench_metafile_gdi [FOLDER [OUTDIR]]
// The references are in FOLDER/gdi; with OUTDIR, the player's pictures are written there.
#include "metafile/metafile.h"
#include "support/picturediff.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>

namespace {

constexpr double kWithin = 0.25;

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1])
                               : QStringLiteral(POTERO_METAFILE_CORPUS));
    QList<double> differences;
    for (const QString &name : folder.entryList({QStringLiteral("*.wmf"), QStringLiteral("*.emf")},
                                                QDir::Files, QDir::Name)) {
        const QImage gdi(folder.filePath(QStringLiteral("gdi/") + name + QStringLiteral(".png")));
        QFile file(folder.filePath(name));
        if (gdi.isNull() || !file.open(QIODevice::ReadOnly)) {
            std::printf("%-20s no GDI reference\n", qPrintable(name));
            continue;
        }
        const auto mf = metafile::Metafile::fromData(file.readAll());
        const QImage actual = mf ? mf->toImage(gdi.size()) : QImage();
        const double d = picturediff::difference(actual, gdi);
        if (argc > 2)
            picturediff::overWhite(actual, gdi.size())
                .save(
                    QDir(QString::fromLocal8Bit(argv[2])).filePath(name + QStringLiteral(".png")));
        std::printf("%-20s %4d x %-4d %6.3f\n", qPrintable(name), gdi.width(), gdi.height(), d);
        differences.append(d);
    }
    if (differences.isEmpty())
        return 1;
    std::sort(differences.begin(), differences.end());
    const qsizetype n = differences.size();
    const double median =
        n % 2 ? differences[n / 2] : (differences[n / 2 - 1] + differences[n / 2]) / 2;
    const auto within = std::count_if(differences.begin(), differences.end(),
                                      [](double d) { return d <= kWithin; });
    std::printf("files %lld, median %.3f, within %.2f: %lld (%.0f %%)\n", static_cast<long long>(n),
                median, kWithin, static_cast<long long>(within), 100.0 * within / n);
    return 0;
}
