// Hostile pictures against the picture pipeline's budgets. Each kind of file is made here, then
// loaded and drawn as the sign (its 52 x 32 corner) and as the signboard (its part inside the
// 728 x 219 window, at pixel ratios 1 and 2), each kind in a process of its own so that each
// peak of resident memory is that kind's alone. Times are the worst of the rounds.
// Two tables: the loader in the measuring process (its budgets alone), then as the program
// shows pictures, through the decoder process (time the program waits, and the peaks of both
// processes summed).
//   bench_hostile [ROUNDS] [NAME-FILTER]
#include "decoder/decoderclient.h"
#include "decoder/pictureloader.h"
#include "decoder/shownpicture.h"
#include "hostilefiles.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QRect>
#include <QSysInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace hostile;
using Clock = std::chrono::steady_clock;

// What the program promises for any single file; printed beside the figures, never enforced.
constexpr double kSignTargetMs = 100;
constexpr double kBoardTargetMs = 250;
constexpr double kPeakTargetMb = 150;

const QRect kSign(0, 0, 52, 32);
constexpr int kWindowWidth = 728;
constexpr int kWindowHeight = 219;

// A kind still running after this is reported as a hang rather than waited for.
constexpr unsigned kChildSeconds = 60;
// Once one round takes this long, more rounds tell nothing new.
constexpr double kEnoughMs = 2000;

// The picture a decoder shows first, before it is measured.
constexpr const char *kWarmUpName = "warm-up.bmp";

// Where the pictures are decoded.
enum class Path
{
    Loader,
    Decoder
};

struct Outcome
{
    double signMs = 0;
    double board1Ms = 0;
    double board2Ms = 0;
    double peakMb = 0; // this process's and its decoders' largest, summed
    bool markerOpened = false;
    char verdict[200] = {};
};

// One load and render as a control does it; the verdict says what the control would show.
struct Run
{
    double ms;
    QString verdict;
};

// Whether a control would show anything: a picture that refused every record it holds, or an
// embedded picture it did not decode, leaves the part fully transparent.
QString shownVerdict(const QImage &shown)
{
    if (shown.isNull())
        return QStringLiteral("shown, no image");
    const QImage argb = shown.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 0)
                return QStringLiteral("shown");
    }
    return QStringLiteral("shown, nothing drawn");
}

QString refusal(const Error &error, const QString &path)
{
    // The message names the file; the table names the kind.
    return QStringLiteral("refused (%1)")
        .arg(QString(error.message).replace(path, QStringLiteral("FILE")));
}

Run signRun(const QString &path)
{
    const auto start = Clock::now();
    const auto picture = Load(path, kSign);
    QImage shown;
    if (picture.ok())
        shown = picture->render(kSign, 1.0);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!picture.ok())
        return {ms, refusal(picture.error(), path)};
    return {ms, shownVerdict(shown)};
}

QRect visiblePart(QSize natural)
{
    return QRect(0, 0, std::min(natural.width(), kWindowWidth),
                 std::min(natural.height(), kWindowHeight));
}

Run boardRun(const QString &path, qreal ratio)
{
    const auto start = Clock::now();
    const auto picture = Load(path);
    QImage shown;
    if (picture.ok()) {
        shown = picture->render(visiblePart(picture->naturalSize()), ratio);
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!picture.ok())
        return {ms, refusal(picture.error(), path)};
    return {ms, shownVerdict(shown)};
}

// As the main window shows the sign and the signboard: a ShownPicture through the decoder.
Run shownRun(DecoderClient &decoder, const QString &path, bool sign, qreal ratio)
{
    const auto start = Clock::now();
    const auto picture =
        sign ? ShownPicture::load(decoder, channel::Slot::Sign, path, kSign, kSign, ratio)
             : ShownPicture::load(decoder, channel::Slot::Signboard, path);
    QImage shown;
    if (picture.ok()) {
        // A part the decoder could not render counts as nothing shown.
        const Result<QImage> part =
            picture->render(sign ? kSign : visiblePart(picture->naturalSize()), ratio);
        if (part)
            shown = *part;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!picture.ok())
        return {ms, refusal(picture.error(), path)};
    return {ms, shownVerdict(shown)};
}

double worst(int rounds, const std::function<Run()> &once, QString &verdict)
{
    double most = 0;
    for (int i = 0; i < rounds; ++i) {
        const Run run = once();
        most = std::max(most, run.ms);
        verdict = run.verdict;
        if (run.ms > kEnoughMs)
            break;
    }
    return most;
}

// A decoder started and past its first picture, so that the figures are those of a warm one.
std::unique_ptr<DecoderClient> warmDecoder(const QString &warmUp)
{
    auto decoder = std::make_unique<DecoderClient>();
    (void)ShownPicture::load(*decoder, channel::Slot::Sign, warmUp, kSign, kSign);
    return decoder;
}

// Runs in the child: the sign's and the signboard's loads of one file, watched for any open
// of the marker that no picture may name.
Outcome measureKind(Path where, const QString &path, const QDir &dir, int rounds)
{
    const int watch = inotify_init1(IN_NONBLOCK);
    if (watch >= 0)
        inotify_add_watch(watch,
                          QFile::encodeName(dir.filePath(QLatin1String(kMarkerName))).constData(),
                          IN_OPEN | IN_ACCESS);
    Outcome outcome;
    QString sign, board1, board2;
    if (where == Path::Loader) {
        outcome.signMs = worst(
            rounds, [&] { return signRun(path); }, sign);
        outcome.board1Ms = worst(
            rounds, [&] { return boardRun(path, 1.0); }, board1);
        outcome.board2Ms = worst(
            rounds, [&] { return boardRun(path, 2.0); }, board2);
    } else {
        // A decoder of its own for each column: a file that ended one is refused by its client
        // from then on, which would make the next column's figures those of a refusal.
        const QString warmUp = dir.filePath(QLatin1String(kWarmUpName));
        const auto column = [&](bool sign, qreal ratio, QString &verdict) {
            const auto decoder = warmDecoder(warmUp);
            return worst(
                rounds, [&] { return shownRun(*decoder, path, sign, ratio); }, verdict);
        };
        outcome.signMs = column(true, 1.0, sign);
        outcome.board1Ms = column(false, 1.0, board1);
        outcome.board2Ms = column(false, 2.0, board2);
    }
    // The decoders have ended and been waited for: their largest peak adds to this process's.
    rusage self{}, decoders{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &decoders);
    outcome.peakMb = double(self.ru_maxrss + decoders.ru_maxrss) / 1024.0;
    if (watch >= 0) {
        char events[4096];
        outcome.markerOpened = ::read(watch, events, sizeof events) > 0;
        ::close(watch);
    }
    QString verdict = sign == board1 ? sign : QStringLiteral("sign %1; board %2").arg(sign, board1);
    if (board2 != board1)
        verdict += QStringLiteral("; board x2 %1").arg(board2);
    std::strncpy(outcome.verdict, verdict.toUtf8().constData(), sizeof outcome.verdict - 1);
    return outcome;
}

bool selected(const Kind &kind, const char *filter)
{
    return !filter || std::strstr(kind.name, filter) || std::strstr(kind.file, filter);
}

void qtOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}

// Makes every selected kind's file in a process of its own, so that what making them takes
// stays out of the measured processes' memory.
void makeFiles(const QDir &dir, const char *filter, int argc, char **argv)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        qtOffscreen();
        QGuiApplication app(argc, argv);
        QFile marker(dir.filePath(QLatin1String(kMarkerName)));
        marker.open(QIODevice::WriteOnly);
        marker.write(written(photo(8, 8), "PNG"));
        marker.close();
        QFile warmUp(dir.filePath(QLatin1String(kWarmUpName)));
        warmUp.open(QIODevice::WriteOnly);
        warmUp.write(written(photo(52, 32), "BMP"));
        warmUp.close();
        for (const Kind &kind : kinds()) {
            if (!selected(kind, filter))
                continue;
            QFile out(dir.filePath(QLatin1String(kind.file)));
            if (!out.open(QIODevice::WriteOnly) || out.write(kind.make(dir)) < 0) {
                std::fprintf(stderr, "cannot write %s\n", kind.file);
                std::_Exit(1);
            }
        }
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "making the files failed\n");
        std::exit(1);
    }
}

struct Row
{
    Outcome outcome;
    double peakMb = 0;
    qint64 fileBytes = 0;
    QString failure;
};

Row measureInChild(Path where, const QDir &dir, const Kind &kind, int rounds, int argc, char **argv)
{
    const QString path = dir.filePath(QLatin1String(kind.file));
    Row row;
    row.fileBytes = QFileInfo(path).size();
    int channel[2];
    if (::pipe(channel) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(channel[0]);
        ::alarm(kChildSeconds);
        qtOffscreen();
        qInstallMessageHandler(dropMessage);
        QGuiApplication app(argc, argv);
        const Outcome outcome = measureKind(where, path, dir, rounds);
        const bool sent = ::write(channel[1], &outcome, sizeof outcome) == sizeof outcome;
        std::_Exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    const bool got = ::read(channel[0], &row.outcome, sizeof row.outcome) == sizeof row.outcome;
    ::close(channel[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    // Linux gives the peak in kilobytes; a child that ended early sent no sum of its own.
    row.peakMb = got ? row.outcome.peakMb : double(usage.ru_maxrss) / 1024.0;
    if (WIFSIGNALED(status)) {
        row.failure = WTERMSIG(status) == SIGALRM
                          ? QStringLiteral("HUNG: still running after %1 s").arg(kChildSeconds)
                          : QStringLiteral("CRASHED: %1")
                                .arg(QString::fromLatin1(strsignal(WTERMSIG(status))));
    } else if (!got) {
        row.failure = QStringLiteral("no figures from the child");
    }
    return row;
}

QString fileSize(qint64 bytes)
{
    if (bytes >= 1 << 20)
        return QStringLiteral("%1 MB").arg(double(bytes) / (1 << 20), 0, 'f', 1);
    if (bytes >= 1 << 10)
        return QStringLiteral("%1 KB").arg(double(bytes) / (1 << 10), 0, 'f', 1);
    return QStringLiteral("%1 B").arg(bytes);
}

// A figure past its target carries a '!' after it.
QString figure(double value, double target)
{
    return QStringLiteral("%1%2").arg(value, 8, 'f', 1).arg(value > target ? '!' : ' ');
}

// One table of every selected kind; true when any of them opened the marker.
bool table(Path where, const QDir &dir, const char *filter, int rounds, int argc, char **argv)
{
    std::printf("%-42s %9s %9s %9s %9s %9s  %s\n", "kind", "file", "sign ms", "board ms", "x2 ms",
                "peak MB", "result");
    bool markerOpened = false;
    for (const Kind &kind : kinds()) {
        if (!selected(kind, filter))
            continue;
        const Row row = measureInChild(where, dir, kind, rounds, argc, argv);
        const Outcome &o = row.outcome;
        QString result = row.failure.isEmpty() ? QString::fromUtf8(o.verdict) : row.failure;
        if (o.markerOpened) {
            result += QStringLiteral(" MARKER FILE OPENED");
            markerOpened = true;
        }
        if (!row.failure.isEmpty()) {
            std::printf("%-42s %9s %9s %9s %9s %s  %s\n", kind.name,
                        qPrintable(fileSize(row.fileBytes)), "-", "-", "-",
                        qPrintable(figure(row.peakMb, kPeakTargetMb)), qPrintable(result));
        } else {
            std::printf("%-42s %9s %s %s %s %s  %s\n", kind.name,
                        qPrintable(fileSize(row.fileBytes)),
                        qPrintable(figure(o.signMs, kSignTargetMs)),
                        qPrintable(figure(o.board1Ms, kBoardTargetMs)),
                        qPrintable(figure(o.board2Ms, kBoardTargetMs)),
                        qPrintable(figure(row.peakMb, kPeakTargetMb)), qPrintable(result));
        }
        std::fflush(stdout);
    }
    return markerOpened;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const char *filter = argc > 2 ? argv[2] : nullptr;
    std::printf("machine: %s, %s, %ld cores\n", qPrintable(QSysInfo::prettyProductName()),
                qPrintable(QSysInfo::currentCpuArchitecture()), ::sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("command: %s %d%s%s\n", argv[0], rounds, filter ? " " : "", filter ? filter : "");
    std::printf("targets: sign <= %.0f ms, signboard <= %.0f ms, peak < %.0f MB "
                "('!' marks a figure past its target)\n",
                kSignTargetMs, kBoardTargetMs, kPeakTargetMb);
    std::printf("sign: Load(52 x 32) + render; board: Load + render of the visible part up to "
                "%d x %d at ratio 1 and 2; worst of %d rounds; peak: the kind's process\n\n",
                kWindowWidth, kWindowHeight, rounds);

    QTemporaryDir folder;
    const QDir dir(folder.path());
    makeFiles(dir, filter, argc, argv);

    const bool loaderOpened = table(Path::Loader, dir, filter, rounds, argc, argv);
    std::printf("\nthrough the decoder process, as the main window shows pictures; peak: the "
                "measuring process's and its decoders' summed\n\n");
    const bool decoderOpened = table(Path::Decoder, dir, filter, rounds, argc, argv);
    // Reading another file is never a matter of speed: that one fails the run.
    return loaderOpened || decoderOpened ? 1 : 0;
}
