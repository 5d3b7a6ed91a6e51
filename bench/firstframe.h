#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <ctime>

// Watches a window for its first paint: prints the wall-clock time of it (for the launcher to
// subtract its own start time from), then, after a short settling time, the peak resident
// memory, and quits.
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
            QTimer::singleShot(500, this, [] {
                rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                std::printf("peak-rss-kb %ld\n", usage.ru_maxrss);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};
