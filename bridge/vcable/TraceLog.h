#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace sim {
class TraceFile;
class VirtualDetector;
} // namespace sim

namespace vcable {

// The trace file: one event a line, each starting with the seconds since the origin, to the
// microsecond, then its keyword. Line-buffered, so a reader sees every line as it happens.
class TraceLog
{
public:
    TraceLog() = default;
    ~TraceLog();
    TraceLog(const TraceLog &) = delete;
    TraceLog &operator=(const TraceLog &) = delete;

    // False, with errno set, when the file cannot be created.
    bool open(const std::string &path, std::uint64_t originNanoseconds);
    bool isOpen() const { return file != nullptr; }
    std::uint64_t origin() const { return originTime; }

    void line(std::uint64_t nanoseconds, const char *format, ...)
        __attribute__((format(printf, 3, 4)));
    void bytes(std::uint64_t nanoseconds, const char *keyword, const unsigned char *data,
        std::size_t size);

    // Makes the detector's own trace lines (sim::TraceFile, which writes to the file that
    // VIREL_SIM_TRACE names) come here through a pipe, each as "detector ...".
    bool attachDetector(sim::VirtualDetector &detector, sim::TraceFile &detectorFile);
    // Copies the detector's lines written since the last call, stamped with that moment.
    void relayDetector(std::uint64_t nanoseconds);

private:
    void stamp(std::uint64_t nanoseconds);

    std::FILE *file = nullptr;
    std::uint64_t originTime = 0;
    int detectorPipe = -1;
    std::string detectorText;
};

} // namespace vcable
