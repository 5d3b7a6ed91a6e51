// Prints, for each corpus metafile, the median time of parsing it and drawing it at its
// natural size, then the median and the slowest over the corpus.
// usage: QT_QPA_PLATFORM=offscreen bench_metafile_playback [FOLDER]
#include "metafile/metafile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRuns = 200;

double medianMicroseconds(const QByteArray &bytes)
{
    QList<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto mf = metafile::Metafile::fromData(bytes);
        if (mf)
            mf->toImage(mf->naturalSize());
        times.append(timer.nsecsElapsed() / 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times[kRuns / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1])
                               : QStringLiteral(POTERO_METAFILE_CORPUS));
    QList<double> medians;
    QString slowest;
    double slowestTime = 0;
    for (const QString &name : folder.entryList({QStringLiteral("*.wmf"), QStringLiteral("*.emf")},
                                                QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        const auto mf = metafile::Metafile::fromData(bytes);
        const double t = medianMicroseconds(bytes);
        std::printf("%-20s %4d x %-4d %8.1f us\n", qPrintable(name),
                    mf ? mf->naturalSize().width() : 0, mf ? mf->naturalSize().height() : 0, t);
        medians.append(t);
        if (t > slowestTime) {
            slowestTime = t;
            slowest = name;
        }
    }
    if (medians.isEmpty())
        return 1;
    std::sort(medians.begin(), medians.end());
    std::printf("files %lld, median %.1f us, slowest %.1f us (%s)\n",
                static_cast<long long>(medians.size()), medians[medians.size() / 2], slowestTime,
                qPrintable(slowest));
    return 0;
}
