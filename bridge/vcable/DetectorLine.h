#pragma once

#include "ClockSampler.h"
#include "TraceFile.h"
#include "VirtualDetector.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vcable {

class TraceLog;

// The three wires from the chip's GP2 (clock) and GP3 (data) to the detector and from the
// detector to GP4, watched as the detector takes them.
//
// A frame runs from the rising clock edge on which the detector takes the first bit of a
// command to the rising edge after which it is neither receiving nor answering (complete), or
// to the moment the clock has stood still for the stall limit while it was receiving, or the
// detector is taken away (abandoned). A drop outside frames is a fall of GP2 or GP3, as the
// chip drives it, at a moment when no frame is under way, unless a frame begins within the
// stall limit after it and completes: a drop is counted when that frame is abandoned, or once
// the stall limit passes with no frame begun. The bit period is the time between two
// successive falls of GP2 in the same frame; the fall just before a frame's first bit counts
// as the frame's.
class DetectorLine
{
public:
    struct Counts
    {
        unsigned int clockDrops = 0;
        unsigned int dataDrops = 0;
        unsigned int frames = 0; // complete ones
        std::vector<std::uint64_t> bitPeriods;
    };

    explicit DetectorLine(TraceLog &trace);

    sim::VirtualDetector &detector() { return virtualDetector; }
    // Ideal detector, in step with the clock level given.
    void reset(bool clock);
    void setPolling(std::uint64_t periodNanoseconds, std::uint64_t offsetNanoseconds);
    // How long the clock may stand still within a frame before the detector gives it up (and
    // a fall outside frames waits for one to begin); resyncNanoseconds until set. Not 0.
    void setStallLimit(std::uint64_t nanoseconds) { virtualDetector.setStallLimit(nanoseconds); }

    // Lets the detector take its looks before `nanoseconds`, at the levels the lines have stood
    // at; the moment of the edge it took then, if any (its output may have changed).
    std::optional<std::uint64_t> catchUp(std::uint64_t nanoseconds, bool clock, bool data);
    // The chip has just driven the lines to these levels.
    void moved(std::uint64_t nanoseconds, bool clock, bool data, bool clockFell, bool dataFell);
    bool dataFromDetector() const { return virtualDetector.dataOutLevel(); }
    void setPresent(bool present, std::uint64_t nanoseconds);

    // Traces what the lines' standing still decided up to that moment.
    void expire(std::uint64_t nanoseconds);
    // When expire() has something to decide next, if ever.
    std::optional<std::uint64_t> nextDecision() const;
    // The end of the run: an open frame is abandoned, a fall still waiting is a drop.
    void finish(std::uint64_t nanoseconds);

    const Counts &counts() const { return tally; }
    void clearCounts() { tally = {}; }

private:
    struct Fall
    {
        std::uint64_t time;
        bool clock;
    };

    // Runs a sampler call and follows the edge it may have given the detector.
    template<typename Call> std::optional<std::uint64_t> deliver(bool clockSeen, Call call);
    void expireWith(std::uint64_t nanoseconds, std::uint64_t lastEdge, bool answering);
    void edgeTaken(std::uint64_t nanoseconds, bool rising);
    void endFrame(std::uint64_t nanoseconds, bool complete);
    void countDrop(const Fall &fall);

    TraceLog &trace;
    sim::VirtualDetector virtualDetector;
    sim::ClockSampler sampler;
    sim::TraceFile detectorFile;
    bool open = false;
    std::vector<Fall> waiting; // falls outside frames, not yet decided
    std::vector<Fall> frameFalls; // those the open frame began with
    std::optional<std::uint64_t> lastClockFall; // in the open frame
    Counts tally;
};

} // namespace vcable
