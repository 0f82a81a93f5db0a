#include "LinePacer.h"

LinePacer::LinePacer(Clock::duration tick, Sleeper sleeper)
    : tick(tick)
    , sleeper(
          sleeper ? std::move(sleeper) : [this](Clock::duration span) { platformWait.sleep(span); })
{ }

// A sleep may end early (MinGW's truncates to whole milliseconds), so the clock has the say.
void LinePacer::awaitTick()
{
    const Clock::time_point due = nextTick();
    for (Clock::time_point now = Clock::now(); now < due; now = Clock::now())
        sleeper(due - now);
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
