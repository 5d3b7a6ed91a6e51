#pragma once

#include <chrono>

// The doors' pause after each step: count × 200 ns, held on the calling thread with no event
// processing, so a door's speed is the same on every machine.
namespace precisepause {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::nanoseconds kUnit{200};
// The tail of every wait is spun rather than slept: waking from a sleep can take this long.
constexpr std::chrono::microseconds kSpin{100};

// count × kUnit; nothing for a count below 1.
constexpr std::chrono::nanoseconds length(int count)
{
    return count < 1 ? std::chrono::nanoseconds{0} : kUnit * count;
}

// Sleeps until kSpin before the deadline, then spins up to it. Never returns before it.
void waitUntil(Clock::time_point deadline);

// Waits length(count) from now.
void pause(int count);

// How far behind its schedule a run may fall and still win the time back.
constexpr std::chrono::milliseconds kMaxCatchUp{5};

// Paces one run of steps, made as the run starts: each pause ends length(count) after the end
// of the one before, so the time a step takes to draw is part of its pause and a run of n
// steps lasts n pauses. A step that took longer than its pause (one that drew a new pixel) is
// won back from the pauses after it, up to kMaxCatchUp: after a longer stall the run goes on
// from where it is instead of rushing ahead.
class Pacer
{
public:
    Pacer() : m_last(Clock::now()) {}
    // Returns the moment the pause was held up to.
    Clock::time_point pause(int count);

private:
    Clock::time_point m_last;
};

} // namespace precisepause
