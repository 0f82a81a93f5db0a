#include "LinePacer.h"

#include <QtGlobal>

#include <thread>

#if defined(Q_OS_LINUX)
#include <sys/prctl.h>
#endif

LinePacer::LinePacer(Clock::duration tick)
    : tick(tick)
{
#if defined(Q_OS_LINUX)
    // Linux lets a sleep of this thread end up to 50 us late by default, to batch wake-ups;
    // every phase would carry that. One nanosecond of slack keeps the wake-ups on time.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

void LinePacer::awaitTick()
{
    const Clock::time_point due = nextTick();
    if (Clock::now() < due)
        std::this_thread::sleep_until(due);
    last = Clock::now();
}

void LinePacer::pinsMoved()
{
    last = Clock::now();
}

int LinePacer::wholeMillisecondsLeft() const
{
    const auto left
        = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick() - Clock::now());
    return left.count() > 0 ? int(left.count()) : 0;
}
