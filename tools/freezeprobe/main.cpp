// virel_freezeprobe: how long an X client's window takes to answer, measured without starting a
// process per question. It pings the window as a window manager does (_NET_WM_PING) again and
// again and prints, a line each, the milliseconds until the answer came: Qt and Wine answer
// from the thread that runs the window's event loop, so a long figure is a frozen window.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <string>
#include <xcb/xcb.h>

namespace {

const char *const usage = "usage: virel_freezeprobe WINDOW [--interval MS] [--limit MS]\n";

volatile std::sig_atomic_t stopping = 0;

void stop(int)
{
    stopping = 1;
}

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie
        = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

struct Ping
{
    xcb_connection_t *connection;
    xcb_window_t root;
    xcb_window_t window;
    xcb_atom_t protocols;
    xcb_atom_t ping;
};

void send(const Ping &p, std::uint32_t serial)
{
    xcb_client_message_event_t event {};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = p.window;
    event.type = p.protocols;
    event.data.data32[0] = p.ping;
    event.data.data32[1] = serial;
    event.data.data32[2] = p.window;
    // No mask: the event goes to the client that made the window.
    xcb_send_event(
        p.connection, 0, p.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    xcb_flush(p.connection);
}

// Waits for the answer to ping `serial`, which comes back through the root window; older
// answers are passed over. False when `limitMs` passed without it, the connection broke or the
// probe is told to stop.
bool awaitAnswer(const Ping &p, std::uint32_t serial, int limitMs)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point due = Clock::now() + std::chrono::milliseconds(limitMs);
    pollfd watched {xcb_get_file_descriptor(p.connection), POLLIN, 0};
    while (!stopping) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(p.connection)) {
            bool answer = false;
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
                answer = message->type == p.protocols && message->data.data32[0] == p.ping
                    && message->data.data32[1] == serial;
            }
            std::free(event);
            if (answer)
                return true;
        }
        if (xcb_connection_has_error(p.connection))
            return false;
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
        if (left <= 0)
            return false;
        if (poll(&watched, 1, int(left)) < 0 && errno != EINTR)
            return false;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    char *end = nullptr;
    const unsigned long window = std::strtoul(argv[1], &end, 0);
    int intervalMs = 100;
    int limitMs = 5000;
    bool good = *argv[1] != '\0' && *end == '\0' && window != 0 && window <= 0xFFFFFFFFul;
    for (int i = 2; good && i < argc; i += 2) {
        const std::string option = argv[i];
        good = i + 1 < argc;
        if (good && option == "--interval")
            intervalMs = std::atoi(argv[i + 1]);
        else if (good && option == "--limit")
            limitMs = std::atoi(argv[i + 1]);
        else
            good = false;
    }
    if (!good || intervalMs < 0 || limitMs <= 0) {
        std::fputs(usage, stderr);
        return 2;
    }

    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fputs("virel_freezeprobe: cannot connect to the X display\n", stderr);
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    const Ping p {connection, screens.data->root, static_cast<xcb_window_t>(window),
        atom(connection, "WM_PROTOCOLS"), atom(connection, "_NET_WM_PING")};
    if (p.protocols == XCB_ATOM_NONE || p.ping == XCB_ATOM_NONE) {
        std::fputs("virel_freezeprobe: the X server gave no atoms\n", stderr);
        return 1;
    }
    // The answers are sent to the root window, to those who listen to it (Qt) or to its
    // children (Wine) there.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    if (std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
            xcb_request_check(connection,
                xcb_change_window_attributes_checked(connection, p.root, XCB_CW_EVENT_MASK, &mask)),
            &std::free);
        error) {
        std::fputs("virel_freezeprobe: cannot listen on the root window\n", stderr);
        return 1;
    }
    // A window that is not there, or never answers a first ping, would time nothing.
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, p.window), nullptr),
        &std::free);
    if (!geometry) {
        std::fprintf(stderr, "virel_freezeprobe: no window %s\n", argv[1]);
        return 1;
    }

    std::signal(SIGTERM, stop);
    std::signal(SIGINT, stop);
    for (std::uint32_t serial = 1; !stopping; ++serial) {
        const auto asked = std::chrono::steady_clock::now();
        send(p, serial);
        const bool answered = awaitAnswer(p, serial, limitMs);
        if (stopping)
            break;
        const std::chrono::duration<double, std::milli> took
            = std::chrono::steady_clock::now() - asked;
        if (serial == 1 && !answered) {
            std::fprintf(stderr, "virel_freezeprobe: window %s does not answer pings\n", argv[1]);
            return 1;
        }
        // An unanswered ping counts as a freeze of at least the limit.
        std::printf("%.1f%s\n", took.count(), answered ? "" : " unanswered");
        std::fflush(stdout);
        if (xcb_connection_has_error(connection))
            return 1;
        if (intervalMs > 0) {
            pollfd none {-1, 0, 0};
            poll(&none, 0, intervalMs);
        }
    }
    xcb_disconnect(connection);
    return 0;
}
