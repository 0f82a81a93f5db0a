// Starts a program on the X display named by DISPLAY and prints, on one line, how long it took
// from the start to the mapping of its first top-level window, how much CPU time the program's
// main thread had used by then, and the program's peak resident set size, which it reads once
// the program has run on for a given settling time and been stopped:
//     virel_firstmap SETTLE_MS PROGRAM [ARGUMENT...]
//     map_ms=93.41 main_cpu_ms=61.20 peak_rss_kib=34652
// The clock runs from just before the fork to the server's MapNotify, so it covers the loader,
// the toolkit's start, the program's construction and the map request reaching the server. The
// main thread's CPU time is what the start-up costs on a machine with a core to spare for each
// of the program's threads; on a busy machine the wall time also holds the waits for a core.
#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include <poll.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int mapTimeoutMs = 30000;

double nowMs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Top-level windows are children of the root when no window manager runs, as under Xvfb, so
// their mapping is reported to a client that watches the root's substructure.
bool watchRoot(xcb_connection_t *connection)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return false;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t cookie
        = xcb_change_window_attributes_checked(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_generic_error_t *error = xcb_request_check(connection, cookie);
    const bool watching = error == nullptr;
    std::free(error);
    return watching;
}

pid_t start(char **argv)
{
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[0], argv);
        std::perror(argv[0]);
        _exit(127);
    }
    return child;
}

// Linux's scheduler statistics of the thread whose id is the process's own; -1 if unreadable.
double mainThreadCpuMs(pid_t child)
{
    const std::string id = std::to_string(child);
    FILE *stats = std::fopen(("/proc/" + id + "/task/" + id + "/schedstat").c_str(), "r");
    if (!stats)
        return -1;
    unsigned long long nanoseconds = 0;
    const bool read = std::fscanf(stats, "%llu", &nanoseconds) == 1;
    std::fclose(stats);
    return read ? double(nanoseconds) / 1e6 : -1;
}

bool isTopLevelMap(const xcb_generic_event_t *event)
{
    if ((event->response_type & ~0x80) != XCB_MAP_NOTIFY)
        return false;
    const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event);
    return !map->override_redirect;
}

// Leaves an ended child waitable, so that its peak memory can still be read.
bool childExited(pid_t child)
{
    siginfo_t info {};
    return waitid(P_PID, id_t(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0
        && info.si_pid == child;
}

// Milliseconds from `startMs` to the first top-level MapNotify, and the main thread's CPU time
// then; negative if the program ended or nothing was mapped in time.
double waitForMap(xcb_connection_t *connection, pid_t child, double startMs, double *cpuMs)
{
    pollfd watched {xcb_get_file_descriptor(connection), POLLIN, 0};
    while (nowMs() - startMs < mapTimeoutMs) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            const bool mapped = isTopLevelMap(event);
            std::free(event);
            if (mapped) {
                const double mapMs = nowMs() - startMs;
                *cpuMs = mainThreadCpuMs(child);
                return mapMs;
            }
        }
        if (xcb_connection_has_error(connection) || childExited(child))
            return -1;
        poll(&watched, 1, 20);
    }
    return -1;
}

void sleepMs(long milliseconds)
{
    timespec pause {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) { }
}

long stopAndMeasure(pid_t child)
{
    kill(child, SIGTERM);
    int status = 0;
    rusage usage {};
    if (wait4(child, &status, 0, &usage) != child)
        return -1;
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SETTLE_MS PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    const long settleMs = std::strtol(argv[1], nullptr, 10);
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) || !watchRoot(connection)) {
        std::fprintf(stderr, "%s: cannot watch the X display\n", argv[0]);
        return 2;
    }

    const double startMs = nowMs();
    const pid_t child = start(argv + 2);
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    double cpuMs = -1;
    const double mapMs = waitForMap(connection, child, startMs, &cpuMs);
    if (mapMs >= 0)
        sleepMs(settleMs);
    const long peakKib = stopAndMeasure(child);
    xcb_disconnect(connection);
    if (mapMs < 0) {
        std::fprintf(stderr, "%s: %s mapped no window\n", argv[0], argv[2]);
        return 1;
    }
    std::printf("map_ms=%.2f main_cpu_ms=%.2f peak_rss_kib=%ld\n", mapMs, cpuMs, peakKib);
    return 0;
}
