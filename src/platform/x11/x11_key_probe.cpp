#include "platform/x11/x11_key_probe.h"

#include "platform/x11/x11_keymap.h"

#include <cstdlib>
#include <vector>

namespace tolvane {

int32_t probeX11KeyChord(KeyChord chord) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (const int error = connection ? xcb_connection_has_error(connection) : XCB_CONN_ERROR; error != 0) {
        if (connection)
            xcb_disconnect(connection);
        return error;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const X11Keymap keymap = X11Keymap::read(connection);
    int32_t status = 0;
    if (const auto keycode = keymap.keycodeFor(chord.keysym); !keycode) {
        status = kKeyNotOnKeyboardStatus;
    } else {
        const uint16_t mask = keymap.maskFor(chord.modifiers);
        std::vector<uint16_t> grabbed;
        for (uint16_t variant : keymap.lockVariants()) {
            xcb_generic_error_t* error = xcb_request_check(
                connection, xcb_grab_key_checked(connection, 0, root, mask | variant, *keycode,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            if (error) {
                status = error->error_code;
                std::free(error);
                break;
            }
            grabbed.push_back(mask | variant);
        }
        for (uint16_t modifiers : grabbed)
            xcb_ungrab_key(connection, *keycode, root, modifiers);
        xcb_flush(connection);
    }
    xcb_disconnect(connection);
    return status;
}

} // namespace tolvane
