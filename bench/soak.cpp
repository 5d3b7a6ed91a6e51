// The soak: the bus view used for a long time, in-process, watching what it holds on to.
//  - arrow-key steps through a sign folder that mixes good and broken pictures of every format
//    (BMP, GIF, JPEG, WMF, EMF), down to the last entry and back up, again and again;
//  - door runs at speed 1, both doors, the middle one with its sound (into whatever sound
//    server there is, or none).
// Resident memory (/proc/self/statm) and open descriptors (/proc/self/fd) are sampled as it
// goes. Verdict: after a warm-up (the first sample of each phase), resident memory grows by
// less than the bound and the number of open descriptors never changes.
//
//   soak [--steps N] [--door-runs N] [--samples N] [--bound-kib K]
//
// Defaults: 100000 steps, 200 runs of each door, 10 samples a phase, 5120 KiB. Exit status 1
// when the verdict fails. Runs on any Qt platform (QT_QPA_PLATFORM=offscreen needs no display).

#include "app/form1.h"
#include "controls/imagecontrol.h"
#include "controls/picturebox.h"
#include "decoder/pictureloader.h"
#include "panel/frmset.h"
#include "soakfiles.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <vector>

namespace {

using soak::SignFile;

struct Options
{
    int steps = 100000;
    int doorRuns = 200;
    int samples = 10;
    qint64 boundKib = 5120;
};

struct Sample
{
    qint64 rssKib = 0;
    int fds = 0;
};

qint64 residentKib()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields[1].toLongLong() * sysconf(_SC_PAGESIZE) / 1024;
}

int openDescriptors()
{
    DIR *folder = opendir("/proc/self/fd");
    if (!folder)
        return -1;
    int count = 0;
    while (const dirent *entry = readdir(folder)) {
        if (entry->d_name[0] != '.')
            ++count;
    }
    closedir(folder);
    return count - 1; // the listing's own descriptor
}

Sample sample()
{
    return Sample{residentKib(), openDescriptors()};
}

// --- the phases -------------------------------------------------------------------------------

// Tracks samples of one phase; the first one is the warm-up baseline.
class Watch
{
public:
    explicit Watch(const char *phase) : m_phase(phase) { m_clock.start(); }

    void take(long long done)
    {
        const Sample now = sample();
        std::printf("  %-12s %10lld  rss %8lld KiB  fds %3d  %7.1f s\n", m_phase, done, now.rssKib,
                    now.fds, m_clock.elapsed() / 1000.0);
        std::fflush(stdout);
        m_last = now;
        if (!m_baseline) {
            m_baseline = now;
            return;
        }
        m_peakGrowth = std::max(m_peakGrowth, now.rssKib - m_baseline->rssKib);
        if (now.fds != m_baseline->fds)
            m_fdsChanged = true;
    }

    bool verdict(qint64 boundKib) const
    {
        const bool memoryFlat = m_peakGrowth < boundKib;
        std::printf("%s: rss growth after warm-up %lld KiB (bound %lld KiB): %s; fds %d -> %d: "
                    "%s\n",
                    m_phase, m_peakGrowth, boundKib, memoryFlat ? "flat" : "GROWS",
                    m_baseline ? m_baseline->fds : -1, m_last.fds,
                    m_fdsChanged ? "CHANGED" : "unchanged");
        return memoryFlat && !m_fdsChanged;
    }

private:
    const char *m_phase;
    QElapsedTimer m_clock;
    std::optional<Sample> m_baseline;
    Sample m_last;
    qint64 m_peakGrowth = 0;
    bool m_fdsChanged = false;
};

// Down to the last entry and back up to the first, one key at a time, with the sign painted
// after each. Every step onto a file that loads must show a new picture and every other step
// must keep the old one; returns whether they did and the sign ended where it should.
bool arrowSteps(Form1 &form, const Options &options, const QSet<QString> &loadable, Watch &watch)
{
    const int last = form.File1.count() - 1;
    const int every = std::max(1, options.steps / options.samples);
    bool down = true;
    int expected = form.SignIndex;
    long long wrong = 0;
    for (int step = 1; step <= options.steps; ++step) {
        if (expected == last)
            down = false;
        else if (expected == 0)
            down = true;
        const qint64 before = form.ImgDesiMaku->picture().cacheKey();
        QTest::keyClick(form.Picture1, down ? Qt::Key_Down : Qt::Key_Up);
        expected += down ? 1 : -1;
        const bool changed = form.ImgDesiMaku->picture().cacheKey() != before;
        if (changed != loadable.contains(form.File1.entry(expected).value_or(QString())))
            ++wrong;
        QCoreApplication::processEvents();
        if (step % every == 0)
            watch.take(step);
    }
    if (wrong > 0)
        std::printf("arrow keys: %lld steps showed a picture where none loads, or none where "
                    "one does\n",
                    wrong);
    return wrong == 0 && form.SignIndex == expected;
}

bool doorRuns(Form1 &form, const Options &options, Watch &watch)
{
    frmSet *panel = form.panel();
    panel->HScroll1->setValue(1);
    panel->HScroll2->setValue(1);
    const int every = std::max(1, options.doorRuns / options.samples);
    for (int run = 1; run <= options.doorRuns; ++run) {
        panel->Check1->click();
        panel->Check2->click();
        QCoreApplication::processEvents();
        if (run % every == 0)
            watch.take(run);
    }
    // An even number of runs leaves both doors closed, an odd one both open.
    const bool open = options.doorRuns % 2 == 1;
    return panel->Check1->isChecked() == open && panel->Check2->isChecked() == open;
}

std::optional<Options> parse(const QStringList &arguments)
{
    Options options;
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        bool ok = false;
        const qint64 value = arguments[i + 1].toLongLong(&ok);
        if (!ok || value < 0)
            return std::nullopt;
        if (arguments[i] == QLatin1String("--steps"))
            options.steps = int(value);
        else if (arguments[i] == QLatin1String("--door-runs"))
            options.doorRuns = int(value);
        else if (arguments[i] == QLatin1String("--samples") && value > 0)
            options.samples = int(value);
        else if (arguments[i] == QLatin1String("--bound-kib"))
            options.boundKib = value;
        else
            return std::nullopt;
    }
    if (arguments.size() % 2 == 0)
        return std::nullopt;
    return options;
}

// The decoders warn about every broken file at every step; the soak counts the warnings
// rather than print a hundred thousand lines.
int g_warnings = 0;
QString g_firstWarning;

void countMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        std::abort();
    }
    if (g_warnings++ == 0)
        g_firstWarning = text;
}

// Which files of the folder load: the soak expects the sign to change on exactly these.
QSet<QString> describe(const QString &folder, const std::vector<SignFile> &files)
{
    QSet<QString> loadable;
    std::printf("sign folder (%zu files):", files.size());
    for (const SignFile &file : files) {
        const QString name = QLatin1String(file.name);
        if (Load(folder + QLatin1Char('/') + name).ok())
            loadable.insert(name);
        std::printf(" %s%s", file.name, loadable.contains(name) ? "" : "(refused)");
    }
    std::printf("\n  %lld load, %lld are refused\n", qint64(loadable.size()),
                qint64(files.size()) - loadable.size());
    return loadable;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const std::optional<Options> options = parse(app.arguments());
    if (!options) {
        std::fprintf(stderr, "usage: soak [--steps N] [--door-runs N] [--samples N] "
                             "[--bound-kib K]\n");
        return 2;
    }
    QTemporaryDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("signs"));
    const std::vector<SignFile> files = soak::signFiles();
    if (!QDir().mkpath(folder) || !soak::writeFolder(folder, files)) {
        std::fprintf(stderr, "soak: cannot write the sign folder under %s\n",
                     qPrintable(scratch.path()));
        return 2;
    }
    std::printf("soak: %d arrow-key steps, %d runs of each door at speed 1; platform %s\n",
                options->steps, options->doorRuns, qPrintable(QGuiApplication::platformName()));
    qInstallMessageHandler(countMessage);
    const QSet<QString> loadable = describe(folder, files);

    Form1 form;
    form.setIniPath(scratch.filePath(QStringLiteral("potero.ini")));
    form.load();
    form.show();
    form.SignFolder = folder;
    form.picDir();
    if (form.File1.count() != qsizetype(files.size())) {
        std::fprintf(stderr, "soak: the sign list holds %d entries, not %zu\n", form.File1.count(),
                     files.size());
        return 1;
    }

    Watch signs("arrow keys");
    const bool stepsArrived = arrowSteps(form, *options, loadable, signs);
    Watch doors("door runs");
    const bool doorsArrived = doorRuns(form, *options, doors);
    bool pass = signs.verdict(options->boundKib);
    pass = doors.verdict(options->boundKib) && pass;
    if (!stepsArrived || !doorsArrived) {
        std::printf("the %s did not end where they should have\n",
                    stepsArrived ? "door runs" : "arrow keys");
        pass = false;
    }
    std::printf("%d messages from Qt during the soak%s%s\n", g_warnings,
                g_warnings ? ", the first: " : "", qPrintable(g_firstWarning));
    std::printf("verdict: %s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
