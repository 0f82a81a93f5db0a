#pragma once

// Pauses of the line discipline, measured on a monotonic clock. They sleep rather than spin,
// so a long exchange leaves the processor free.
class LineWait
{
public:
    // Returns once at least `milliseconds` have passed; events are handled meanwhile.
    static void processingEvents(int milliseconds);
    // Returns once at least `milliseconds` have passed; no event is handled meanwhile.
    static void withoutEvents(int milliseconds);
};
