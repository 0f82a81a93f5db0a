#include "ClockSampler.h"

#include "VirtualDetector.h"

namespace sim {

ClockSampler::ClockSampler(VirtualDetector &detector)
    : detector(detector)
{ }

void ClockSampler::reset(bool clockLevel)
{
    period = 0;
    offset = 0;
    started = false;
    seenClock = clockLevel;
}

void ClockSampler::setPolling(std::uint64_t periodNanoseconds, std::uint64_t offsetNanoseconds)
{
    period = periodNanoseconds;
    offset = period != 0 ? offsetNanoseconds % period : 0;
    // The first look is placed at the first call that follows.
    started = false;
}

void ClockSampler::advance(std::uint64_t nanoseconds, bool clock, bool data)
{
    if (!polling())
        return;
    if (!started) {
        nextLook = lookAtOrAfter(nanoseconds);
        started = true;
    }
    if (nextLook >= nanoseconds)
        return;
    // Only the first look since the previous call can see a change: the later ones find the
    // same levels.
    look(nextLook, clock, data);
    nextLook = lookAtOrAfter(nanoseconds);
}

void ClockSampler::changed(std::uint64_t nanoseconds, bool clock, bool data)
{
    if (!polling())
        look(nanoseconds, clock, data);
}

void ClockSampler::look(std::uint64_t nanoseconds, bool clock, bool data)
{
    if (clock == seenClock)
        return;
    seenClock = clock;
    detector.clockEdge(clock, data, nanoseconds);
}

std::uint64_t ClockSampler::lookAtOrAfter(std::uint64_t nanoseconds) const
{
    if (nanoseconds <= offset)
        return offset;
    const std::uint64_t looks = (nanoseconds - offset + period - 1) / period;
    return offset + looks * period;
}

} // namespace sim
