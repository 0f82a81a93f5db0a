#pragma once

#include <cstdint>

namespace sim {

// One entry-point call of a bridge that answers as slowly as a USB HID report and its answer:
// it lasts a set time from its start and acts on the lines at a set point inside that time.
// It sleeps rather than spins. With a duration of 0 it acts at once and does not sleep.
class SlowCall
{
public:
    // Starts the call now; it acts `effectNanoseconds` after its start (at most the duration).
    SlowCall(std::uint64_t durationNanoseconds, std::uint64_t effectNanoseconds);

    // Sleeps until the point where the call acts; returns that moment on the monotonic clock.
    std::uint64_t effect() const;
    // Sleeps out the rest of the call.
    void finish() const;

    // The monotonic clock of the calls and the trace, in nanoseconds.
    static std::uint64_t now();

private:
    static void sleepUntil(std::uint64_t nanoseconds);

    std::uint64_t start;
    std::uint64_t duration;
    std::uint64_t effectAfter;
};

} // namespace sim
