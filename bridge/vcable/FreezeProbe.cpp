// virel-freeze-probe: how long an X client's window takes to answer, measured without starting a
// process per question. It asks the owner of a selection for its text again and again and prints,
// a line each, the milliseconds until the owner answered: the owner's event loop must run to
// answer, so a long figure is a frozen window.
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

const char *const usage
    = "usage: virel-freeze-probe [--selection NAME] [--interval MS] [--limit MS]\n";

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

// Waits for the answer to the newest request; false when `limitMs` passed without one, the
// connection broke or the probe is told to stop. `late` counts the older requests whose answers
// are still to come: those answers are not this one.
bool awaitAnswer(xcb_connection_t *connection, int limitMs, int &late)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point due = Clock::now() + std::chrono::milliseconds(limitMs);
    pollfd watched {xcb_get_file_descriptor(connection), POLLIN, 0};
    while (!stopping) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            const bool answer = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
            std::free(event);
            if (answer && late > 0)
                --late;
            else if (answer)
                return true;
        }
        if (xcb_connection_has_error(connection))
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
    std::string selection = "CLIPBOARD";
    int intervalMs = 100;
    int limitMs = 5000;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            std::fputs(usage, stderr);
            return 2;
        }
        const char *value = argv[++i];
        if (option == "--selection")
            selection = value;
        else if (option == "--interval")
            intervalMs = std::atoi(value);
        else if (option == "--limit")
            limitMs = std::atoi(value);
        else {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (intervalMs < 0 || limitMs <= 0) {
        std::fputs(usage, stderr);
        return 2;
    }

    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fputs("virel-freeze-probe: cannot connect to the X display\n", stderr);
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t source = atom(connection, selection.c_str());
    const xcb_atom_t target = atom(connection, "UTF8_STRING");
    const xcb_atom_t property = atom(connection, "VIREL_FREEZE_PROBE");
    if (source == XCB_ATOM_NONE || target == XCB_ATOM_NONE || property == XCB_ATOM_NONE) {
        std::fputs("virel-freeze-probe: the X server gave no atoms\n", stderr);
        return 1;
    }

    // With no owner the server itself answers at once, which would time nobody.
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, source), nullptr),
        &std::free);
    if (!owner || owner->owner == XCB_WINDOW_NONE) {
        std::fprintf(
            stderr, "virel-freeze-probe: nobody owns the selection %s\n", selection.c_str());
        return 1;
    }

    std::signal(SIGTERM, stop);
    std::signal(SIGINT, stop);
    int late = 0;
    while (!stopping) {
        const auto asked = std::chrono::steady_clock::now();
        xcb_convert_selection(connection, window, source, target, property, XCB_CURRENT_TIME);
        xcb_flush(connection);
        const bool answered = awaitAnswer(connection, limitMs, late);
        if (stopping)
            break;
        const std::chrono::duration<double, std::milli> took
            = std::chrono::steady_clock::now() - asked;
        // An unanswered request counts as a freeze of at least the limit.
        std::printf("%.1f%s\n", took.count(), answered ? "" : " unanswered");
        std::fflush(stdout);
        if (xcb_connection_has_error(connection))
            return 1;
        if (!answered)
            ++late;
        xcb_delete_property(connection, window, property);
        xcb_flush(connection);
        if (intervalMs > 0) {
            pollfd none {-1, 0, 0};
            poll(&none, 0, intervalMs);
        }
    }
    xcb_disconnect(connection);
    return 0;
}
