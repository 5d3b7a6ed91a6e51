// How close the doors' pause comes to count × 200 ns, and how long whole door runs take.
//   bench_pause [REPEATS]     (default 2000 pauses a count)
// Prints, per count, the mean and 99th-percentile lateness of precisepause::pause and the
// CPU time it burns; then the real time of the default door runs, with no drawing and with a
// stand-in step of 50 µs, paused plainly and paced; then a play without a sound server.
#include "platform/precisepause.h"
#include "platform/wavesound.h"

#include <QByteArray>
#include <QFile>
#include <QSysInfo>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using namespace std::chrono;
using precisepause::Clock;

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

QByteArray cpuModel()
{
    QFile info("/proc/cpuinfo");
    if (!info.open(QIODevice::ReadOnly))
        return "unknown";
    for (const QByteArray &line : info.readAll().split('\n'))
        if (line.startsWith("model name"))
            return line.mid(line.indexOf(':') + 1).trimmed();
    return "unknown";
}

void busyFor(nanoseconds span)
{
    const Clock::time_point end = Clock::now() + span;
    while (Clock::now() < end) {
    }
}

void accuracy(int count, int repeats)
{
    std::vector<double> late;
    late.reserve(repeats);
    const double cpu0 = cpuSeconds();
    const Clock::time_point wall0 = Clock::now();
    for (int i = 0; i < repeats; ++i) {
        const Clock::time_point start = Clock::now();
        precisepause::pause(count);
        late.push_back(
            duration<double, std::micro>(Clock::now() - start - precisepause::length(count))
                .count());
    }
    const double wall = duration<double>(Clock::now() - wall0).count();
    const double cpu = cpuSeconds() - cpu0;
    std::sort(late.begin(), late.end());
    double sum = 0;
    for (double l : late)
        sum += l;
    std::printf("%6d  %10.1f  %9.2f  %9.2f  %9.2f  %7.0f %%\n", count,
                duration<double, std::micro>(precisepause::length(count)).count(), sum / repeats,
                late[size_t(repeats * 0.99)], late.back(), 100 * cpu / wall);
}

enum class Mode
{
    Plain,
    Paced
};

void run(const char *door, int steps, int count, nanoseconds step, Mode mode)
{
    const double model = duration<double>(precisepause::length(count) * steps).count();
    const Clock::time_point start = Clock::now();
    precisepause::Pacer pacer;
    for (int i = 0; i < steps; ++i) {
        busyFor(step);
        if (mode == Mode::Plain)
            precisepause::pause(count);
        else
            pacer.pause(count);
    }
    const double took = duration<double>(Clock::now() - start).count();
    std::printf("%-12s %5d steps at %5d, step %3lld us, %-6s  %.4f s  (model %.4f s, %+.2f %%)\n",
                door, steps, count,
                static_cast<long long>(duration_cast<microseconds>(step).count()),
                mode == Mode::Plain ? "plain" : "paced", took, model, 100 * (took - model) / model);
}

void noServer()
{
    qputenv("PULSE_SERVER", "unix:/nonexistent/potero-bench/native");
    QFile sound(":/door101.wav");
    const QByteArray riff = sound.open(QIODevice::ReadOnly) ? sound.readAll() : QByteArray();
    std::vector<double> ms;
    for (int i = 0; i < 20; ++i) {
        const Clock::time_point start = Clock::now();
        (void)wavesound::play(riff);
        ms.push_back(duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("play of the door sound with no server: median %.2f ms, slowest %.2f ms (20 "
                "plays)\n",
                ms[ms.size() / 2], ms.back());
}

} // namespace

int main(int argc, char **argv)
{
    const int repeats = argc > 1 ? std::max(100, std::atoi(argv[1])) : 2000;
    std::printf("bench_pause  %s  %s  (%s)\n", cpuModel().constData(),
                qPrintable(QSysInfo::prettyProductName()), qPrintable(QSysInfo::kernelVersion()));
    std::printf("command: %s %d\n\n", argv[0], repeats);

    std::printf(" count   pause (us)  mean late  p99 late   max late  CPU busy\n");
    for (int count : {1, 100, 1000, 6000, 10000, 30000})
        accuracy(count, count >= 10000 ? repeats / 4 : repeats);

    std::printf("\n");
    for (nanoseconds step : {nanoseconds(0), nanoseconds(microseconds(50))}) {
        for (Mode mode : {Mode::Plain, Mode::Paced}) {
            run("front door", 561, 10000, step, mode);
            run("middle door", 1111, 6000, step, mode);
            run("front door", 561, 1000, step, mode);
            run("front door", 561, 1, step, mode);
        }
    }
    std::printf("\n");
    noServer();
    return 0;
}
