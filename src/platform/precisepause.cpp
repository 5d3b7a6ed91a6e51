#include "platform/precisepause.h"

#include <algorithm>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include <timeapi.h>

// Windows 10 1803 and later; older systems refuse it and get the fallback below.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif
#endif

namespace precisepause {
namespace {

#ifdef _WIN32
// Windows wakes a plain sleep at its timer's tick, 15.6 ms by default: far coarser than a door
// step. A high-resolution waitable timer wakes within a few hundred microseconds; where the
// system has none, the timer's period is set to 1 ms for the program's run. Either may wake up
// to a millisecond late, so it is asked to wake that much early and the rest is spun.
void sleepUntil(Clock::time_point deadline)
{
    const Clock::time_point wake = deadline - std::chrono::milliseconds(1);
    thread_local HANDLE timer = CreateWaitableTimerExW(
        nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    const auto left = wake - Clock::now();
    if (left <= Clock::duration::zero())
        return;
    if (timer) {
        LARGE_INTEGER due;
        due.QuadPart = -std::max<LONGLONG>(
            1, std::chrono::duration_cast<std::chrono::nanoseconds>(left).count() / 100);
        if (SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
            WaitForSingleObject(timer, INFINITE);
            return;
        }
    }
    [[maybe_unused]] static const bool finerTicks = timeBeginPeriod(1) == TIMERR_NOERROR;
    std::this_thread::sleep_until(wake);
}
#else
void sleepUntil(Clock::time_point wake)
{
    std::this_thread::sleep_until(wake);
}
#endif

} // namespace

void waitUntil(Clock::time_point deadline)
{
    const Clock::time_point wake = deadline - kSpin;
    if (Clock::now() < wake)
        sleepUntil(wake);
    while (Clock::now() < deadline) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
}

void pause(int count)
{
    waitUntil(Clock::now() + length(count));
}

Clock::time_point Pacer::pause(int count)
{
    m_last = std::max(m_last + length(count), Clock::now() - kMaxCatchUp);
    waitUntil(m_last);
    return m_last;
}

} // namespace precisepause
