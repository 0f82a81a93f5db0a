#include "TickWait.h"

#include <thread>

#ifdef __linux__
#include <sys/prctl.h>
#endif

TickWait::TickWait() = default;
TickWait::~TickWait() = default;

void TickWait::sleep(std::chrono::steady_clock::duration span)
{
    std::this_thread::sleep_for(span);
}

// The sleeps here are fine-grained already.
void TickWait::exchangeStarted() { }
void TickWait::exchangeEnded() { }

void TickWait::preparePrecisePacing()
{
#ifdef __linux__
    // Linux lets a sleep end up to 50 us late by default, to batch wake-ups; every phase would
    // carry that. One nanosecond of slack keeps this thread's wake-ups on time.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}
