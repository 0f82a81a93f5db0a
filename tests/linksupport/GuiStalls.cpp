#include "GuiStalls.h"

#include <chrono>
#include <thread>

namespace {

constexpr int shortestStallMicroseconds = 500;
constexpr int longestStallMicroseconds = 1900;
constexpr int longestGapMilliseconds = 3;

} // namespace

GuiStalls::GuiStalls(quint32 seed, QObject *parent)
    : QObject(parent)
    , random(seed)
{
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &GuiStalls::stall);
}

void GuiStalls::start()
{
    scheduleNext();
}

void GuiStalls::stall()
{
    const int length = random.bounded(shortestStallMicroseconds, longestStallMicroseconds + 1);
    std::this_thread::sleep_for(std::chrono::microseconds(length));
    ++stalls;
    scheduleNext();
}

void GuiStalls::scheduleNext()
{
    timer.start(random.bounded(longestGapMilliseconds + 1));
}
