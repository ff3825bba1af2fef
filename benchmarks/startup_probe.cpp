// Launches a program and reports, as the X server sees it, when its top-level window with a given title was
// mapped and when the program drew its first frame into that window (the first Damage event after the map),
// both counted from the launch, then the program's resident memory once its start-up work has settled.
// Event-driven throughout: nothing is polled, so the figures are not rounded up to a polling interval.
//
// Usage: startup_probe [--settle-ms N] [--timeout-ms N] [--log FILE] TITLE PROGRAM [ARG...]
// Prints one line: "mapped_ms=<ms> frame_ms=<ms> rss_kb=<kB> exit=<status>" (times with 0.1 ms precision).
// The program is asked to stop with SIGTERM afterwards; exit is its status (or "signal-<n>"). Exits with 3
// when the window was mapped before the probe could watch it (a run to repeat), 2 on other failures.
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

double nowMs() {
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) * 1e3 + double(time.tv_nsec) / 1e6;
}

[[noreturn]] void fail(const std::string& message) {
    std::fprintf(stderr, "startup_probe: %s\n", message.c_str());
    std::exit(2);
}

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : XCB_ATOM_NONE;
}

std::optional<std::string> property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                                    xcb_atom_t type) {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, name, type, 0, 4096),
                               nullptr),
        &std::free);
    if (!reply || reply->type == XCB_ATOM_NONE)
        return std::nullopt;
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       size_t(xcb_get_property_value_length(reply.get())));
}

long residentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// Waits for the child to end, up to `timeoutMs`; its status text, or nothing on timeout.
std::optional<std::string> reap(pid_t pid, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status))
                return std::to_string(WEXITSTATUS(status));
            return "signal-" + std::to_string(WTERMSIG(status));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

struct Options {
    int settleMs = 3000;
    int timeoutMs = 30000;
    std::string log = "/dev/null";
    std::string title;
    char** command = nullptr;
};

Options parse(int argc, char* argv[]) {
    Options options;
    int index = 1;
    for (; index < argc && std::strncmp(argv[index], "--", 2) == 0; index += 2) {
        if (index + 1 >= argc)
            fail(std::string("missing value after ") + argv[index]);
        const std::string name = argv[index];
        if (name == "--settle-ms")
            options.settleMs = std::atoi(argv[index + 1]);
        else if (name == "--timeout-ms")
            options.timeoutMs = std::atoi(argv[index + 1]);
        else if (name == "--log")
            options.log = argv[index + 1];
        else
            fail("unknown option " + name);
    }
    if (argc - index < 2)
        fail("usage: startup_probe [--settle-ms N] [--timeout-ms N] [--log FILE] TITLE PROGRAM [ARG...]");
    options.title = argv[index];
    options.command = argv + index + 1;
    return options;
}

} // namespace

int main(int argc, char* argv[]) {
    const Options options = parse(argc, argv);
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        fail("cannot open the display");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_query_extension_reply_t* damageExtension = xcb_get_extension_data(connection, &xcb_damage_id);
    if (!damageExtension || !damageExtension->present)
        fail("the X server has no DAMAGE extension");
    Reply<xcb_damage_query_version_reply_t> version(
        xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1), nullptr),
        &std::free);
    if (!version)
        fail("DAMAGE version query failed");
    const uint8_t damageNotify = damageExtension->first_event + XCB_DAMAGE_NOTIFY;
    const xcb_atom_t netWmName = atom(connection, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(connection, "UTF8_STRING");
    const xcb_atom_t netWmPid = atom(connection, "_NET_WM_PID");

    // Every new top-level window is watched from its creation on, before it can be mapped or drawn.
    const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &rootMask);
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

    const double launchedAt = nowMs();
    const pid_t child = fork();
    if (child < 0)
        fail("fork failed");
    if (child == 0) {
        const int log = open(options.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        execvp(options.command[0], options.command);
        std::perror("exec");
        _exit(127);
    }

    const auto isTarget = [&](xcb_window_t window) {
        std::optional<std::string> name = property(connection, window, netWmName, utf8);
        if (!name)
            name = property(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
        const std::optional<std::string> pid = property(connection, window, netWmPid, XCB_ATOM_CARDINAL);
        return name == options.title && pid && pid->size() == 4 &&
               pid_t(*reinterpret_cast<const uint32_t*>(pid->data())) == child;
    };
    std::map<xcb_window_t, bool> watched;
    xcb_window_t target = XCB_NONE;
    double mappedAt = 0;
    double drawnAt = 0;
    const auto mapped = [&](xcb_window_t window) {
        if (target == XCB_NONE && watched.count(window) && isTarget(window)) {
            target = window;
            mappedAt = nowMs();
        }
    };
    const auto watch = [&](xcb_window_t window) {
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
        xcb_damage_create(connection, xcb_generate_id(connection), window,
                          XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        watched[window] = true;
        // Mapped before the watch took hold (the probe was not scheduled in time): its first frame may be
        // gone unseen, so this run cannot be measured.
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window),
                                            nullptr),
            &std::free);
        if (attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED && isTarget(window)) {
            kill(child, SIGKILL);
            reap(child, 5000);
            std::fprintf(stderr, "startup_probe: the window was mapped before it could be watched\n");
            std::exit(3);
        }
    };

    pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (drawnAt == 0) {
        const double left = launchedAt + options.timeoutMs - nowMs();
        if (left <= 0 || waitpid(child, nullptr, WNOHANG) == child) {
            kill(child, SIGKILL);
            reap(child, 5000);
            fail(left <= 0 ? "no frame before the time limit" : "the program ended before its first frame");
        }
        xcb_flush(connection);
        std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(xcb_poll_for_event(connection),
                                                                         &std::free);
        if (!event) {
            if (xcb_connection_has_error(connection))
                fail("lost the display");
            poll(&descriptor, 1, std::min(100, int(left) + 1));
            continue;
        }
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event.get());
            if (created->parent == root)
                watch(created->window);
        } else if (type == XCB_MAP_NOTIFY) {
            mapped(reinterpret_cast<xcb_map_notify_event_t*>(event.get())->window);
        } else if (type == damageNotify) {
            const auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(event.get());
            if (target != XCB_NONE && damage->drawable == target)
                drawnAt = nowMs();
        }
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(options.settleMs));
    const long rss = residentKilobytes(child);
    kill(child, SIGTERM);
    std::optional<std::string> status = reap(child, 20000);
    if (!status) {
        kill(child, SIGKILL);
        reap(child, 5000);
        status = "hung";
    }
    std::printf("mapped_ms=%.1f frame_ms=%.1f rss_kb=%ld exit=%s\n", mappedAt - launchedAt,
                drawnAt - launchedAt, rss, status->c_str());
    xcb_disconnect(connection);
    return 0;
}
