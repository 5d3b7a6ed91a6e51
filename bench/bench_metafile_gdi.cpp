// Prints, for each corpus metafile, how far the player's picture is from GDI's, strictly:
// no blur, a pixel differs when a channel differs by more than 25 of 255, and the differing
// pixels are counted against the reference's ink (at least 1 % of the area). Then the median
// and the share of files within 0.25.
// usage: QT_QPA_PLATFORM=offscreen bench_metafile_gdi [FOLDER [OUTDIR]]
// The references are in FOLDER/gdi; with OUTDIR, the player's pictures are written there.
#include "platform/metafile/metafile.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kChannelTolerance = 25;
constexpr double kWithin = 0.25;

QImage overWhite(const QImage &image, QSize size)
{
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter(&out).drawImage(0, 0, image);
    return out;
}

bool differs(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) > kChannelTolerance ||
           std::abs(qGreen(a) - qGreen(b)) > kChannelTolerance ||
           std::abs(qBlue(a) - qBlue(b)) > kChannelTolerance;
}

// Differing pixels over the reference's non-white pixels, or over 1 % of the area when the
// reference has less ink than that, so a nearly empty picture does not magnify a few pixels.
double difference(const QImage &actual, const QImage &reference)
{
    long differing = 0, ink = 0;
    for (int y = 0; y < reference.height(); ++y) {
        for (int x = 0; x < reference.width(); ++x) {
            const QRgb r = reference.pixel(x, y);
            ink += (r & 0xFFFFFF) != 0xFFFFFF;
            differing += differs(actual.pixel(x, y), r);
        }
    }
    const double area = double(reference.width()) * reference.height();
    return differing / std::max(double(ink), area / 100);
}

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
        const QImage actual = overWhite(mf ? mf->toImage(gdi.size()) : QImage(), gdi.size());
        const double d = difference(actual, overWhite(gdi, gdi.size()));
        if (argc > 2)
            actual.save(
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
