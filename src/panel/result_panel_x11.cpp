#include "panel/result_panel_x11.h"

#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <xcb/xcb.h>

namespace tolvane::result_panel_x11 {
namespace {

xcb_connection_t* connection() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// An atom is fixed for the display's life: each name is asked for once (a round trip to the server), not on
// every show of the panel.
xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    static std::mutex mutex;
    static std::map<QByteArray, xcb_atom_t> known;
    std::lock_guard lock(mutex);
    const auto it = known.find(QByteArray(name));
    if (it != known.end())
        return it->second;
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    if (value != XCB_ATOM_NONE)
        known.emplace(QByteArray(name), value);
    return value;
}

} // namespace

bool compositorActive() {
    xcb_connection_t* c = connection();
    if (!c)
        return false;
    // Qt opens the display's default screen; multi-screen X setups are one X screen under XRandR.
    const QByteArray name = QByteArrayLiteral("_NET_WM_CM_S0");
    const xcb_atom_t selection = atom(c, name.constData());
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
    free(reply);
    return owned;
}

void markAsFloatingPanel(QWidget* window) {
    xcb_connection_t* c = connection();
    if (!c || !window)
        return;
    const xcb_window_t id = xcb_window_t(window->winId());
    const xcb_atom_t states[] = {atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), atom(c, "_NET_WM_STATE_SKIP_PAGER"),
                                 atom(c, "_NET_WM_STATE_STICKY")};
    xcb_change_property(c, XCB_PROP_MODE_APPEND, id, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, 3, states);
    const uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1,
                        &allDesktops);
    xcb_flush(c);
}

void requestFloatingPanelStates(QWidget* window) {
    xcb_connection_t* c = connection();
    if (!c || !window)
        return;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto send = [&](xcb_atom_t type, std::array<uint32_t, 5> data) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = xcb_window_t(window->winId());
        message.type = type;
        std::copy(data.begin(), data.end(), message.data.data32);
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    };
    constexpr uint32_t add = 1;
    constexpr uint32_t fromApplication = 1;
    const xcb_atom_t state = atom(c, "_NET_WM_STATE");
    send(state, {add, atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), atom(c, "_NET_WM_STATE_SKIP_PAGER"),
                 fromApplication, 0});
    send(state, {add, atom(c, "_NET_WM_STATE_STICKY"), atom(c, "_NET_WM_STATE_ABOVE"), fromApplication, 0});
    send(atom(c, "_NET_WM_DESKTOP"), {0xFFFFFFFF, fromApplication, 0, 0, 0});
    xcb_flush(c);
}

} // namespace tolvane::result_panel_x11
