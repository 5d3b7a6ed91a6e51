#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <sys/resource.h>

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <ctime>

// Watches a window for its first paint: prints the wall-clock time of it (for the launcher to
// subtract its own start time from), then, after a short settling time, the peak resident
// memory, and quits. With BENCH_IDLE_SECONDS set, it first sits idle that long and prints the
// CPU time and the wake-ups (context switches of all its threads) spent meanwhile.
class FirstFrame : public QObject
{
public:
    explicit FirstFrame(QObject *window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // After the paint has been handled and flushed.
            QTimer::singleShot(0, this, [] {
                timespec now{};
                clock_gettime(CLOCK_REALTIME, &now);
                std::printf("first-frame-ns %lld\n",
                            static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
                std::fflush(stdout);
            });
            const int idleSeconds = qEnvironmentVariableIntValue("BENCH_IDLE_SECONDS");
            QTimer::singleShot(500, this, [this, idleSeconds] {
                if (idleSeconds <= 0)
                    finish();
                m_cpu = cpuSeconds();
                m_wakeups = wakeups();
                QTimer::singleShot(idleSeconds * 1000, this, [this] {
                    std::printf("idle-cpu-ms %.3f\nidle-wakeups %lld\n",
                                (cpuSeconds() - m_cpu) * 1000, wakeups() - m_wakeups);
                    finish();
                });
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static double cpuSeconds()
    {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }

    // Every thread's voluntary and involuntary context switches so far.
    static long long wakeups()
    {
        long long total = 0;
        for (const QString &task :
             QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile status(QStringLiteral("/proc/self/task/%1/status").arg(task));
            if (!status.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : status.readAll().split('\n'))
                if (line.contains("ctxt_switches:"))
                    total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
        return total;
    }

    static void finish()
    {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak-rss-kb %ld\n", usage.ru_maxrss);
        std::fflush(stdout);
        std::_Exit(0);
    }

    bool m_seen = false;
    double m_cpu = 0;
    long long m_wakeups = 0;
};
