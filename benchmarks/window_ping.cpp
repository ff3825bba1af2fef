// How long a program's main thread keeps its windows from answering, measured from outside: sends the
// window manager's _NET_WM_PING to one of its windows, waits for the answer the program sends back to the
// root window (Qt answers on its main thread, between two events), pauses 10 ms and pings again, until
// SIGINT or SIGTERM. Then prints "pings <count> longest_ms <ms> over_100ms <count>"; a ping still unanswered
// counts with the time it has waited so far. Each wait over 100 ms is also told on stderr, with when it
// began.
//   window_ping <window id>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <xcb/xcb.h>

namespace {

std::atomic<bool> stopping = false;

void onSignal(int) {
    stopping = true;
}

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_ping <window id>\n");
        return 2;
    }
    const xcb_window_t window = xcb_window_t(std::strtoul(argv[1], nullptr, 0));
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "window_ping: cannot connect to the X server\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    // The answer goes to the root window, for clients that watch its structure (and the window manager).
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t protocols = intern(connection, "WM_PROTOCOLS");
    const xcb_atom_t ping = intern(connection, "_NET_WM_PING");

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const auto begin = std::chrono::steady_clock::now();
    long pings = 0;
    long slow = 0;
    double longest = 0;
    uint32_t serial = 0;
    while (!stopping) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = protocols;
        message.data.data32[0] = ping;
        message.data.data32[1] = ++serial; // stands in for the time stamp, to match the answer
        message.data.data32[2] = window;
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
        const auto sent = std::chrono::steady_clock::now();
        bool answered = false;
        while (!answered && !stopping) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
                if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                    const auto* reply = reinterpret_cast<xcb_client_message_event_t*>(event);
                    answered = reply->type == protocols && reply->data.data32[0] == ping &&
                               reply->data.data32[1] == serial;
                }
                std::free(event);
                if (answered)
                    break;
            }
            if (xcb_connection_has_error(connection)) {
                std::fprintf(stderr, "window_ping: the X connection broke\n");
                return 1;
            }
            if (!answered) {
                pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
                poll(&descriptor, 1, 5);
            }
        }
        const double waited = millisecondsSince(sent);
        if (waited > 100)
            std::fprintf(stderr, "window_ping: %.0f ms without an answer, from %.1f s on\n", waited,
                         std::chrono::duration<double>(sent - begin).count());
        longest = std::max(longest, waited);
        slow += waited > 100 ? 1 : 0;
        pings += answered ? 1 : 0;
        if (answered) {
            pollfd none{-1, 0, 0};
            poll(&none, 0, 10);
        }
    }
    std::printf("pings %ld longest_ms %.0f over_100ms %ld\n", pings, longest, slow);
    xcb_disconnect(connection);
    return 0;
}
