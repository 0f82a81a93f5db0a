#include "TraceFile.h"

#include <cstddef>
#include <cstdlib>

namespace sim {

namespace {

const char *const callNames[] = {"InitMCP2200", "IsConnected", "ConfigureIO", "SetPin", "ClearPin",
    "ReadPin", "fnSetBaudRate", "ConfigureMCP2200"};

} // namespace

void TraceFile::reset(std::uint64_t nanoseconds)
{
    close();
    origin = nanoseconds;
    const char *path = std::getenv("VIREL_SIM_TRACE");
    // Binary, so that the lines end the same on Windows for the script that reads them.
    if (path != nullptr && *path != '\0')
        file = std::fopen(path, "wb");
}

void TraceFile::call(const SimTraceEntry &entry)
{
    if (file == nullptr)
        return;
    const auto index = static_cast<std::size_t>(entry.call);
    stamp(entry.nanoseconds);
    std::fprintf(file, " %s %lu %u %d\n",
        index < sizeof callNames / sizeof *callNames ? callNames[index] : "?", entry.arg,
        entry.value, entry.result ? 1 : 0);
    // The program is killed at the end of a run: every line must be on disk by then.
    std::fflush(file);
}

void TraceFile::frame(std::uint64_t nanoseconds, const std::vector<unsigned char> &bytes)
{
    bytesLine(nanoseconds, "frame", bytes);
}

void TraceFile::reply(std::uint64_t nanoseconds, const std::vector<unsigned char> &bytes)
{
    bytesLine(nanoseconds, "reply", bytes);
}

void TraceFile::close()
{
    if (file != nullptr)
        std::fclose(file);
    file = nullptr;
}

void TraceFile::bytesLine(
    std::uint64_t nanoseconds, const char *kind, const std::vector<unsigned char> &bytes)
{
    if (file == nullptr)
        return;
    stamp(nanoseconds);
    std::fprintf(file, " %s", kind);
    for (unsigned char byte : bytes)
        std::fprintf(file, " %02X", static_cast<unsigned int>(byte));
    std::fputc('\n', file);
    std::fflush(file);
}

void TraceFile::stamp(std::uint64_t nanoseconds)
{
    // Every line's moment comes from a call made after reset(), so it is never before origin.
    const std::uint64_t micros = (nanoseconds - origin) / 1000;
    std::fprintf(file, "%llu.%03u", static_cast<unsigned long long>(micros / 1000),
        static_cast<unsigned int>(micros % 1000));
}

} // namespace sim
