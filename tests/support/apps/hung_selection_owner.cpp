// An X client that takes a selection and never answers a request for it: a mapped top-level window
// (with _NET_WM_PID, so it can be the frontmost application) owning PRIMARY or CLIPBOARD.
// Prints "READY pid=<pid> win=0x<id>"; runs until killed or stdin closes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

static xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

int main(int argc, char* argv[]) {
    const char* selectionName = argc > 1 ? argv[1] : "PRIMARY";
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 100, 100, 300, 120, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const uint32_t pid = uint32_t(getpid());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, intern(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1,
                        &pid);
    static const char wmClass[] = "hung-owner\0HungOwner";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    xcb_map_window(c, window);
    const xcb_atom_t selection =
        std::strcmp(selectionName, "PRIMARY") == 0 ? xcb_atom_t(XCB_ATOM_PRIMARY) : intern(c, selectionName);
    xcb_set_selection_owner(c, window, selection, XCB_CURRENT_TIME);
    xcb_flush(c);
    std::printf("READY pid=%u win=0x%x\n", pid, window);
    std::fflush(stdout);

    pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    while (poll(fds, 2, -1) >= 0) {
        if (fds[1].revents) {
            char buffer[64];
            if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
                break;
        }
        while (xcb_generic_event_t* event = xcb_poll_for_event(c))
            std::free(event); // SelectionRequest is read and ignored: the requestor waits forever
        if (xcb_connection_has_error(c))
            break;
    }
    xcb_disconnect(c);
    return 0;
}
