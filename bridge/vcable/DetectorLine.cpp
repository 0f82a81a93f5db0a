#include "DetectorLine.h"

#include "TraceLog.h"

#include <algorithm>
#include <ctime>

namespace vcable {

namespace {

sim::VirtualDetector::Date today()
{
    const std::time_t seconds = std::time(nullptr);
    std::tm local {};
    localtime_r(&seconds, &local);
    return {static_cast<unsigned char>(local.tm_year % 100),
        static_cast<unsigned char>(local.tm_mon + 1), static_cast<unsigned char>(local.tm_mday), 0,
        0, 0, 0};
}

} // namespace

DetectorLine::DetectorLine(TraceLog &trace)
    : trace(trace)
    , sampler(virtualDetector)
{
    virtualDetector.reset(today());
    trace.attachDetector(virtualDetector, detectorFile);
}

void DetectorLine::reset(bool clock)
{
    sampler.reset(clock);
}

void DetectorLine::setPolling(std::uint64_t periodNanoseconds, std::uint64_t offsetNanoseconds)
{
    sampler.setPolling(periodNanoseconds, offsetNanoseconds);
}

std::optional<std::uint64_t> DetectorLine::catchUp(std::uint64_t nanoseconds, bool clock, bool data)
{
    // A look sees the levels that stood before this moment, so an edge it takes goes the
    // clock's way.
    const std::optional<std::uint64_t> edge
        = deliver(clock, [&] { sampler.advance(nanoseconds, clock, data); });
    expire(nanoseconds);
    return edge;
}

void DetectorLine::moved(
    std::uint64_t nanoseconds, bool clock, bool data, bool clockFell, bool dataFell)
{
    if (clockFell) {
        if (!open) {
            waiting.push_back({nanoseconds, true});
        } else {
            if (lastClockFall)
                tally.bitPeriods.push_back(nanoseconds - *lastClockFall);
            lastClockFall = nanoseconds;
        }
    }
    if (dataFell && !open)
        waiting.push_back({nanoseconds, false});
    deliver(clock, [&] { sampler.changed(nanoseconds, clock, data); });
}

void DetectorLine::setPresent(bool present, std::uint64_t nanoseconds)
{
    expire(nanoseconds);
    if (!present && open)
        endFrame(nanoseconds, false);
    virtualDetector.setPresent(present);
}

void DetectorLine::expire(std::uint64_t nanoseconds)
{
    expireWith(nanoseconds, virtualDetector.lastEdgeTime(), virtualDetector.isAnswering());
}

std::optional<std::uint64_t> DetectorLine::nextDecision() const
{
    const std::uint64_t limit = virtualDetector.stallLimitNanoseconds();
    std::optional<std::uint64_t> next;
    if (open && !virtualDetector.isAnswering())
        next = virtualDetector.lastEdgeTime() + limit + 1;
    if (!waiting.empty()) {
        const std::uint64_t fallDecided = waiting.front().time + limit + 1;
        next = next ? std::min(*next, fallDecided) : fallDecided;
    }
    return next;
}

void DetectorLine::finish(std::uint64_t nanoseconds)
{
    expire(nanoseconds);
    if (open)
        endFrame(nanoseconds, false);
    for (const Fall &fall : waiting)
        countDrop(fall);
    waiting.clear();
}

template<typename Call>
std::optional<std::uint64_t> DetectorLine::deliver(bool clockSeen, Call call)
{
    const std::uint64_t before = virtualDetector.lastEdgeTime();
    const bool answering = virtualDetector.isAnswering();
    const bool present = virtualDetector.isPresent();
    call();
    const std::uint64_t edge = virtualDetector.lastEdgeTime();
    if (!present || edge == before)
        return std::nullopt;
    // What the standing line decided before this edge, as the detector judged it at the edge.
    expireWith(edge, before, answering);
    trace.relayDetector(edge);
    edgeTaken(edge, clockSeen);
    return edge;
}

void DetectorLine::expireWith(std::uint64_t nanoseconds, std::uint64_t lastEdge, bool answering)
{
    const std::uint64_t limit = virtualDetector.stallLimitNanoseconds();
    if (open && !answering && nanoseconds > lastEdge + limit)
        endFrame(lastEdge + limit, false);
    while (!waiting.empty() && nanoseconds > waiting.front().time + limit) {
        countDrop(waiting.front());
        waiting.erase(waiting.begin());
    }
}

void DetectorLine::edgeTaken(std::uint64_t nanoseconds, bool rising)
{
    const bool inFrame = virtualDetector.inFrame();
    if (rising && !open && inFrame) {
        open = true;
        frameFalls.swap(waiting);
        waiting.clear();
        for (const Fall &fall : frameFalls)
            if (fall.clock)
                lastClockFall = fall.time;
        trace.line(nanoseconds, "frame-start");
    } else if (open && !inFrame) {
        // Only a rising edge ends a frame whole: the last reply bit is read, or the command
        // needs none.
        endFrame(nanoseconds, rising);
    }
}

void DetectorLine::endFrame(std::uint64_t nanoseconds, bool complete)
{
    trace.line(nanoseconds, "frame-end %s", complete ? "complete" : "abandoned");
    if (complete)
        ++tally.frames;
    else
        for (const Fall &fall : frameFalls)
            countDrop(fall);
    frameFalls.clear();
    lastClockFall.reset();
    open = false;
}

void DetectorLine::countDrop(const Fall &fall)
{
    if (fall.clock)
        ++tally.clockDrops;
    else
        ++tally.dataDrops;
}

} // namespace vcable
