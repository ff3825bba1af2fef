#pragma once

#include "platform/global_input.h"
#include "platform/x11/x11_keymap.h"

#include <cstdlib>
#include <xcb/xcb.h>

namespace tolvane::testing {

// Another X client holding grabs on its own connection until destroyed.
class RivalClient {
public:
    RivalClient() : m_connection(xcb_connect(nullptr, nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_keymap = X11Keymap::read(m_connection);
    }
    ~RivalClient() { xcb_disconnect(m_connection); }
    // The X error code of the first refused variant, 0 when all four were granted.
    int grab(KeyChord chord) {
        for (uint16_t variant : m_keymap.lockVariants()) {
            auto* error = xcb_request_check(m_connection,
                                            xcb_grab_key_checked(m_connection, 0, m_root,
                                                                 m_keymap.maskFor(chord.modifiers) | variant,
                                                                 *m_keymap.keycodeFor(chord.keysym),
                                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            if (error) {
                const int code = error->error_code;
                std::free(error);
                return code;
            }
        }
        return 0;
    }

    // XCB_GRAB_STATUS_SUCCESS when nobody else holds the keyboard; the grab is given back at once.
    int grabKeyboard() {
        auto* reply = xcb_grab_keyboard_reply(m_connection,
                                              xcb_grab_keyboard(m_connection, 0, m_root, XCB_CURRENT_TIME,
                                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                              nullptr);
        const int status = reply ? reply->status : -1;
        std::free(reply);
        if (status == XCB_GRAB_STATUS_SUCCESS)
            xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
        return status;
    }
    // Whether a key press reached this client (one of its grabs activated) since the last call.
    bool sawKeyPress() {
        bool pressed = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            pressed = pressed || (event->response_type & 0x7f) == XCB_KEY_PRESS;
            std::free(event);
        }
        return pressed;
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
    X11Keymap m_keymap;
};

} // namespace tolvane::testing
