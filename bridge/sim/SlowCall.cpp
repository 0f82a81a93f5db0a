#include "SlowCall.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace sim {

SlowCall::SlowCall(std::uint64_t durationNanoseconds, std::uint64_t effectNanoseconds)
    : start(now())
    , duration(durationNanoseconds)
    , effectAfter(std::min(effectNanoseconds, durationNanoseconds))
{ }

std::uint64_t SlowCall::effect() const
{
    if (effectAfter == 0)
        return start;
    sleepUntil(start + effectAfter);
    return now();
}

void SlowCall::finish() const
{
    if (duration > effectAfter)
        sleepUntil(start + duration);
}

std::uint64_t SlowCall::now()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
}

void SlowCall::sleepUntil(std::uint64_t nanoseconds)
{
    const std::chrono::steady_clock::time_point until {
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::nanoseconds(nanoseconds))};
    // MinGW's sleep can end up to a millisecond early: a call must never end before its time.
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_until(until);
}

} // namespace sim
