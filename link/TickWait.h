#pragma once

#include <chrono>

// The platform's closest sleep for the fraction of a tick. It may end early or late; the
// pacer checks the clock after it.
class TickWait
{
public:
    TickWait();
    ~TickWait();
    TickWait(const TickWait &) = delete;
    TickWait &operator=(const TickWait &) = delete;

    void sleep(std::chrono::steady_clock::duration span);
    // An exchange runs between these. Where only a coarse sleep is at hand, the system timer
    // is made finer for that time and no longer. Either may be called twice in a row.
    void exchangeStarted();
    void exchangeEnded();

    // Once, before the link is used: asks the system not to coarsen the timers of the whole
    // process (every thread's waits, not only the engines') to save power while its windows
    // are hidden or minimized.
    static void preparePrecisePacing();

private:
#ifdef _WIN32
    void *timer = nullptr;
    bool periodHeld = false;
#endif
};
