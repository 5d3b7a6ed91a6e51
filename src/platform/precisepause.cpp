#include "platform/precisepause.h"

#include <algorithm>
#include <thread>

namespace precisepause {

void waitUntil(Clock::time_point deadline)
{
    const Clock::time_point wake = deadline - kSpin;
    if (Clock::now() < wake)
        std::this_thread::sleep_until(wake);
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
