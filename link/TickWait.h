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

    // Called by every link as it is brought up, on the thread that runs its engines; calling it
    // again changes nothing. On Windows it opts the whole process (every thread's waits, not
    // only the engines') out of the coarser timers Windows 11 gives the process of a hidden or
    // minimized window; on Linux it gives the calling thread a timer slack of a nanosecond.
    static void preparePrecisePacing();

private:
#ifdef _WIN32
    void *timer = nullptr;
    bool periodHeld = false;
#endif
};
