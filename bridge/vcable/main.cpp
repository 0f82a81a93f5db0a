// virel-vcable: a virtual MCP2200 cable with the simulated detector behind it, made through
// the kernel's uhid device, so that hidraw, the kernel's MCP2200 driver and anything above
// them take it for the real cable.
#include "Cable.h"
#include "TraceLog.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char *const usage
    = "usage: virel-vcable [--trace FILE] [--control FIFO] [--detector ideal|polling]\n"
      "                    [--config HH,HH,HH,HH,HH] [--chip DIRS,ALT,DEFAULTS,OPTIONS,DIVISOR]\n"
      "                    [--bus usb|i2c] [--uhid PATH]\n";

std::uint64_t monotonicNow()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u
        + static_cast<std::uint64_t>(now.tv_nsec);
}

// Comma-separated hexadecimal numbers, each at most `limits[i]`.
bool parseHexList(
    const char *text, const std::vector<unsigned long> &limits, std::vector<unsigned long> &values)
{
    values.clear();
    const char *at = text;
    for (std::size_t i = 0; i < limits.size(); ++i) {
        char *end = nullptr;
        const unsigned long value = std::strtoul(at, &end, 16);
        if (end == at || end - at > 4 || value > limits[i])
            return false;
        values.push_back(value);
        const bool last = i + 1 == limits.size();
        if (*end != (last ? '\0' : ','))
            return false;
        at = end + 1;
    }
    return true;
}

bool parseOptions(int argc, char **argv, std::string &tracePath, std::string &controlPath,
    std::string &uhidPath, vcable::Cable::Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(usage, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc)
            return false;
        const char *value = argv[++i];
        std::vector<unsigned long> numbers;
        if (option == "--trace") {
            tracePath = value;
        } else if (option == "--control") {
            controlPath = value;
        } else if (option == "--uhid") {
            uhidPath = value;
        } else if (option == "--detector") {
            if (std::strcmp(value, "ideal") != 0 && std::strcmp(value, "polling") != 0)
                return false;
            options.pollingDetector = std::strcmp(value, "polling") == 0;
        } else if (option == "--bus") {
            if (std::strcmp(value, "usb") != 0 && std::strcmp(value, "i2c") != 0)
                return false;
            options.bus = std::strcmp(value, "usb") == 0 ? BUS_USB : BUS_I2C;
        } else if (option == "--config") {
            if (!parseHexList(value, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, numbers))
                return false;
            for (std::size_t b = 0; b < numbers.size(); ++b)
                options.detectorConfig[b] = static_cast<unsigned char>(numbers[b]);
        } else if (option == "--chip") {
            if (!parseHexList(value, {0xFF, 0xFF, 0xFF, 0xFF, 0xFFFF}, numbers))
                return false;
            options.chipSettings = {static_cast<std::uint8_t>(numbers[0]),
                static_cast<std::uint8_t>(numbers[1]), static_cast<std::uint8_t>(numbers[2]),
                static_cast<std::uint8_t>(numbers[3]), static_cast<std::uint16_t>(numbers[4])};
        } else {
            return false;
        }
    }
    return true;
}

// The control FIFO, made if missing; it is also held open for writing, so that a writer's
// close is no end of file and the next writer is read as well.
int openControl(const std::string &path, int &writeEnd)
{
    if (::mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST)
        return -1;
    struct stat status
    {
    };
    if (::stat(path.c_str(), &status) != 0)
        return -1;
    if (!S_ISFIFO(status.st_mode)) {
        errno = ENOTSUP;
        return -1;
    }
    const int readEnd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (readEnd < 0)
        return -1;
    writeEnd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    return readEnd;
}

int fail(const char *what, const std::string &name)
{
    std::fprintf(stderr, "virel-vcable: %s %s: %s\n", what, name.c_str(), std::strerror(errno));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    std::string tracePath;
    std::string controlPath;
    std::string uhidPath = "/dev/uhid";
    vcable::Cable::Options options;
    options.announce = stdout;
    if (!parseOptions(argc, argv, tracePath, controlPath, uhidPath, options)) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::uint64_t origin = monotonicNow();
    vcable::TraceLog trace;
    if (!tracePath.empty() && !trace.open(tracePath, origin))
        return fail("cannot create the trace file", tracePath);

    const int uhid = ::open(uhidPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (uhid < 0) {
        fail("cannot open", uhidPath);
        std::fputs("virel-vcable: it needs the uhid module (modprobe uhid) and root\n", stderr);
        return 1;
    }
    int controlWriter = -1;
    const int control = controlPath.empty() ? -1 : openControl(controlPath, controlWriter);
    if (!controlPath.empty() && control < 0)
        return fail("cannot open the control FIFO", controlPath);

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int signals = ::signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);

    vcable::Cable cable(uhid, trace, options, origin);
    if (!cable.plug(monotonicNow()))
        return fail("cannot create the device on", uhidPath);

    std::string pending;
    bool running = true;
    while (running) {
        pollfd watched[3] = {{uhid, POLLIN, 0}, {signals, POLLIN, 0}, {control, POLLIN, 0}};
        const std::uint64_t now = monotonicNow();
        timespec wait {};
        timespec *timeout = nullptr;
        if (const auto wake = cable.nextWake()) {
            const std::uint64_t left = *wake > now ? *wake - now : 0;
            wait.tv_sec = static_cast<time_t>(left / 1'000'000'000u);
            wait.tv_nsec = static_cast<long>(left % 1'000'000'000u);
            timeout = &wait;
        }
        if (::ppoll(watched, control >= 0 ? 3 : 2, timeout, nullptr) < 0 && errno != EINTR)
            return fail("cannot wait on", uhidPath);
        const std::uint64_t woke = monotonicNow();
        cable.service(woke);
        if ((watched[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0 && !cable.readEvents(woke)) {
            fail("lost", uhidPath);
            break;
        }
        if ((watched[1].revents & POLLIN) != 0)
            running = false;
        if (control >= 0 && (watched[2].revents & POLLIN) != 0) {
            char buffer[512];
            ssize_t got = 0;
            while ((got = ::read(control, buffer, sizeof buffer)) > 0)
                pending.append(buffer, static_cast<std::size_t>(got));
            std::size_t end = 0;
            while (running && (end = pending.find('\n')) != std::string::npos) {
                running = cable.command(pending.substr(0, end), woke);
                pending.erase(0, end + 1);
            }
        }
        cable.service(monotonicNow());
    }
    cable.finish(monotonicNow());
    if (controlWriter >= 0)
        ::close(controlWriter);
    return 0;
}
