#pragma once

#include <cstdint>

namespace sim {

class VirtualDetector;

// When the detector notices the clock line. Ideal: at the very moment the line changes.
// Polling: only when its firmware loop looks, at offset + k * period on the monotonic clock,
// so an edge counts at the first look after it and a phase that ends between two looks is
// missed. The lines only change inside entry-point calls, so their level is constant between
// two calls; everything is worked out lazily at the calls, without threads or timers.
class ClockSampler
{
public:
    explicit ClockSampler(VirtualDetector &detector);

    // Ideal mode, in step with the given clock level.
    void reset(bool clockLevel);
    // Period 0 switches back to the ideal mode.
    void setPolling(std::uint64_t periodNanoseconds, std::uint64_t offsetNanoseconds);
    bool polling() const { return period != 0; }

    // Plays every look before `nanoseconds`; the lines have stood at these levels since the
    // previous call. Call before a line changes or is read at that time.
    void advance(std::uint64_t nanoseconds, bool clock, bool data);
    // The lines have just taken these levels at `nanoseconds` (after advance()).
    void changed(std::uint64_t nanoseconds, bool clock, bool data);

private:
    void look(std::uint64_t nanoseconds, bool clock, bool data);
    // The first look at or after `nanoseconds`.
    std::uint64_t lookAtOrAfter(std::uint64_t nanoseconds) const;

    VirtualDetector &detector;
    std::uint64_t period = 0;
    std::uint64_t offset = 0;
    std::uint64_t nextLook = 0;
    bool started = false;
    bool seenClock = true; // the clock level the detector last noticed
};

} // namespace sim
