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
// memory and the proportional set size of all its processes, and quits. With BENCH_IDLE_SECONDS set, it first sits idle that long and prints the
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

    // Proportional set size of one process: shared pages counted once across processes.
    static long long pssKib(const QString &pid)
    {
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray &line : rollup.readAll().split('\n'))
            if (line.startsWith("Pss:"))
                return line.mid(4).trimmed().split(' ').first().toLongLong();
        return 0;
    }

    // This process and every process it started (the program's decoder), summed.
    static long long programPssKib()
    {
        long long total = pssKib(QStringLiteral("self"));
        for (const QString &task :
             QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile children(QStringLiteral("/proc/self/task/%1/children").arg(task));
            if (children.open(QIODevice::ReadOnly))
                for (const QByteArray &child : children.readAll().split(' '))
                    if (!child.trimmed().isEmpty())
                        total += pssKib(QString::fromLatin1(child.trimmed()));
        }
        return total;
    }

    static void finish()
    {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak-rss-kb %ld\npss-kb %lld\n", usage.ru_maxrss, programPssKib());
        std::fflush(stdout);
        std::_Exit(0);
    }

    bool m_seen = false;
    double m_cpu = 0;
    long long m_wakeups = 0;
};
