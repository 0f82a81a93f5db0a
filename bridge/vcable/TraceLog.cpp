#include "TraceLog.h"

#include "TraceFile.h"
#include "VirtualDetector.h"

#include <cstdarg>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace vcable {

TraceLog::~TraceLog()
{
    if (file != nullptr)
        std::fclose(file);
    if (detectorPipe >= 0)
        ::close(detectorPipe);
}

bool TraceLog::open(const std::string &path, std::uint64_t originNanoseconds)
{
    originTime = originNanoseconds;
    file = std::fopen(path.c_str(), "we");
    if (file == nullptr)
        return false;
    std::setvbuf(file, nullptr, _IOLBF, 0);
    return true;
}

void TraceLog::line(std::uint64_t nanoseconds, const char *format, ...)
{
    if (file == nullptr)
        return;
    stamp(nanoseconds);
    std::fputc(' ', file);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file, format, arguments);
    va_end(arguments);
    std::fputc('\n', file);
}

void TraceLog::bytes(
    std::uint64_t nanoseconds, const char *keyword, const unsigned char *data, std::size_t size)
{
    if (file == nullptr)
        return;
    stamp(nanoseconds);
    std::fprintf(file, " %s", keyword);
    for (std::size_t i = 0; i < size; ++i)
        std::fprintf(file, " %02X", static_cast<unsigned int>(data[i]));
    std::fputc('\n', file);
}

bool TraceLog::attachDetector(sim::VirtualDetector &detector, sim::TraceFile &detectorFile)
{
    if (file == nullptr)
        return false;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    // The detector's lines are a few bytes per frame and are drained after every edge, so the
    // pipe never fills; the file is opened through the write end's /proc name.
    const std::string name = "/proc/self/fd/" + std::to_string(ends[1]);
    ::setenv("VIREL_SIM_TRACE", name.c_str(), 1);
    detectorFile.reset(originTime);
    ::unsetenv("VIREL_SIM_TRACE");
    ::close(ends[1]);
    detectorPipe = ends[0];
    detector.setTraceFile(&detectorFile);
    return true;
}

void TraceLog::relayDetector(std::uint64_t nanoseconds)
{
    if (detectorPipe < 0)
        return;
    char buffer[512];
    ssize_t got = 0;
    while ((got = ::read(detectorPipe, buffer, sizeof buffer)) > 0)
        detectorText.append(buffer, static_cast<std::size_t>(got));
    std::size_t end = 0;
    while ((end = detectorText.find('\n')) != std::string::npos) {
        // The detector's own stamp (milliseconds) gives way to this file's.
        const std::size_t space = detectorText.find(' ');
        const std::size_t from = space < end ? space + 1 : 0;
        line(nanoseconds, "detector %s", detectorText.substr(from, end - from).c_str());
        detectorText.erase(0, end + 1);
    }
}

void TraceLog::stamp(std::uint64_t nanoseconds)
{
    const std::uint64_t micros = (nanoseconds > originTime ? nanoseconds - originTime : 0) / 1000;
    std::fprintf(file, "%llu.%06llu", static_cast<unsigned long long>(micros / 1000000),
        static_cast<unsigned long long>(micros % 1000000));
}

} // namespace vcable
