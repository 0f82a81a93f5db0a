#pragma once

#include "SimControl.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace sim {

// The line as a text file, for runs of the real program, which never calls the control
// interface: the file named by VIREL_SIM_TRACE gets a line for every entry-point call, every
// frame the detector took in and every reply it finished sending. Line formats: SimControl.h.
class TraceFile
{
public:
    TraceFile() = default;
    ~TraceFile() { close(); }
    TraceFile(const TraceFile &) = delete;
    TraceFile &operator=(const TraceFile &) = delete;

    // Reads VIREL_SIM_TRACE again and creates that file anew; times count from `nanoseconds`.
    void reset(std::uint64_t nanoseconds);
    void call(const SimTraceEntry &entry);
    void frame(std::uint64_t nanoseconds, const std::vector<unsigned char> &bytes);
    void reply(std::uint64_t nanoseconds, const std::vector<unsigned char> &bytes);

private:
    void close();
    void bytesLine(
        std::uint64_t nanoseconds, const char *kind, const std::vector<unsigned char> &bytes);
    // Writes the time stamp that starts every line.
    void stamp(std::uint64_t nanoseconds);

    std::FILE *file = nullptr;
    std::uint64_t origin = 0;
};

} // namespace sim
