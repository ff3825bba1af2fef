// An X client that takes a selection with exactly the targets it is given, answering each with its bytes
// (typed as the target) and TARGETS with the list, nothing else; given no targets it never answers a
// request at all. A mapped top-level window (with _NET_WM_PID, so it can be the frontmost application)
// owning PRIMARY or CLIPBOARD.
//   selection_owner <PRIMARY|CLIPBOARD> [<target>=<hex bytes> ...]
// Owning CLIPBOARD_MANAGER it stands in for a clipboard manager instead: asked for SAVE_TARGETS, it reads
// every target of CLIPBOARD, answers, takes CLIPBOARD with them and prints "SAVED <count>".
// Prints "READY pid=<pid> win=0x<id>"; prints "LOST" when another client takes the selection; runs until
// killed or stdin closes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

xcb_atom_t intern(xcb_connection_t* c, const std::string& name) {
    auto* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.data()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(char(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

struct Target {
    xcb_atom_t atom;
    std::string bytes;
};

// Tells the requestor where its answer is (XCB_NONE: refused).
void sendNotify(xcb_connection_t* c, const xcb_selection_request_event_t* request, xcb_atom_t property) {
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request->time;
    notify.requestor = request->requestor;
    notify.selection = request->selection;
    notify.target = request->target;
    notify.property = property;
    xcb_send_event(c, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notify));
    xcb_flush(c);
}

void answer(xcb_connection_t* c, const xcb_selection_request_event_t* request, xcb_atom_t targetsAtom,
            const std::vector<Target>& targets) {
    const xcb_atom_t property = request->property == XCB_NONE ? request->target : request->property;
    bool ok = false;
    if (request->target == targetsAtom) {
        std::vector<xcb_atom_t> atoms{targetsAtom};
        for (const Target& target : targets)
            atoms.push_back(target.atom);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, property, XCB_ATOM_ATOM, 32,
                            uint32_t(atoms.size()), atoms.data());
        ok = true;
    }
    for (const Target& target : targets) {
        if (target.atom != request->target)
            continue;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, property, target.atom, 8,
                            uint32_t(target.bytes.size()), target.bytes.data());
        ok = true;
    }
    sendNotify(c, request, ok ? property : XCB_NONE);
}

// Converts `selection` to `target` into a property of `window` and waits for the owner's answer (no INCR).
bool convert(xcb_connection_t* c, xcb_window_t window, xcb_atom_t selection, xcb_atom_t target,
             std::string& bytes) {
    const xcb_atom_t property = intern(c, "_SELECTION_OWNER_DATA");
    xcb_convert_selection(c, window, selection, target, property, XCB_CURRENT_TIME);
    xcb_flush(c);
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const bool notify = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
        const auto* answer = reinterpret_cast<xcb_selection_notify_event_t*>(event);
        const bool refused = notify && answer->property == XCB_NONE;
        const bool ours = notify && answer->requestor == window;
        std::free(event);
        if (!ours)
            continue;
        if (refused)
            return false;
        auto* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 24), nullptr);
        if (!reply)
            return false;
        bytes.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                     size_t(xcb_get_property_value_length(reply)));
        std::free(reply);
        return true;
    }
    return false;
}

// SAVE_TARGETS: everything CLIPBOARD offers is read and kept, then offered by us.
std::vector<Target> save(xcb_connection_t* c, xcb_window_t window, xcb_atom_t clipboard,
                         xcb_atom_t targetsAtom) {
    std::vector<Target> saved;
    std::string list;
    if (!convert(c, window, clipboard, targetsAtom, list))
        return saved;
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(list.data());
    for (size_t i = 0; i < list.size() / sizeof(xcb_atom_t); ++i) {
        std::string bytes;
        if (atoms[i] != targetsAtom && convert(c, window, clipboard, atoms[i], bytes))
            saved.push_back({atoms[i], bytes});
    }
    return saved;
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string selectionName = argc > 1 ? argv[1] : "PRIMARY";
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    std::vector<Target> targets;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t equals = arg.rfind('=');
        targets.push_back({intern(c, arg.substr(0, equals)), fromHex(arg.substr(equals + 1))});
    }
    const bool manager = selectionName == "CLIPBOARD_MANAGER";
    const bool hung = targets.empty() && !manager;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 100, 100, 300, 120, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    const uint32_t pid = uint32_t(getpid());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, intern(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1,
                        &pid);
    static const char wmClass[] = "selection-owner\0SelectionOwner";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof wmClass, wmClass);
    xcb_map_window(c, window);
    const xcb_atom_t selection =
        selectionName == "PRIMARY" ? xcb_atom_t(XCB_ATOM_PRIMARY) : intern(c, selectionName);
    const xcb_atom_t targetsAtom = intern(c, "TARGETS");
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
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const uint8_t type = event->response_type & 0x7f;
            auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
            if (type == XCB_SELECTION_REQUEST && manager && request->selection == selection) {
                const xcb_atom_t clipboard = intern(c, "CLIPBOARD");
                targets = save(c, window, clipboard, targetsAtom);
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                                    intern(c, "NULL"), 32, 0, nullptr);
                sendNotify(c, request, request->property);
                xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
                xcb_flush(c);
                std::printf("SAVED %zu\n", targets.size());
                std::fflush(stdout);
            } else if (type == XCB_SELECTION_REQUEST && !hung) {
                // A hung owner reads requests and ignores them: the requestor waits forever.
                answer(c, request, targetsAtom, targets);
            }
            if (type == XCB_SELECTION_CLEAR) {
                std::printf("LOST\n");
                std::fflush(stdout);
            }
            std::free(event);
        }
        if (xcb_connection_has_error(c))
            break;
    }
    xcb_disconnect(c);
    return 0;
}
