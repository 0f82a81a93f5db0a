#pragma once

#include "TickWait.h"

#include <chrono>
#include <functional>

// Keeps every phase of the clock line at least one tick long, whenever the engine's timer
// fires: a tick acts on the lines only once a full tick has passed since the previous tick's
// last pin call returned. A pin moves somewhere inside its call, so the phase on the wire is
// at least a tick whatever the calls last; a late tick lengthens its own phase and shortens
// none. The timer has whole milliseconds only; the rest is slept, never spun.
class LinePacer
{
public:
    using Clock = std::chrono::steady_clock;
    using Sleeper = std::function<void(Clock::duration)>;

    // Without a sleeper the platform's closest one is used.
    explicit LinePacer(Clock::duration tick, Sleeper sleeper = {});
    LinePacer(const LinePacer &) = delete;
    LinePacer &operator=(const LinePacer &) = delete;

    // Sleeps until the tick may act, and counts this moment as the tick's.
    void awaitTick();
    // A call that moved a line has just returned.
    void pinsMoved();
    // Whole milliseconds from now until the next tick may act: what the engine's timer is
    // armed with, so that it fires no later than needed.
    int wholeMillisecondsLeft() const;
    // An exchange starts or ends; see TickWait.
    void exchangeStarted() { platformWait.exchangeStarted(); }
    void exchangeEnded() { platformWait.exchangeEnded(); }

private:
    Clock::time_point nextTick() const { return last + tick; }

    Clock::duration tick;
    TickWait platformWait;
    Sleeper sleeper;
    Clock::time_point last {};
};
