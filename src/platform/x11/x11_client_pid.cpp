#include "platform/x11/x11_client_pid.h"

#include "platform/x11/x11_input_service.h"

#include <cstdlib>
#include <xcb/res.h>

namespace tolvane {

std::optional<qint64> clientPidOfWindow(X11InputService& service, xcb_window_t window) {
    if (!service.isConnected() || !service.extensions().xres || window == XCB_NONE)
        return std::nullopt;
    xcb_connection_t* c = service.connection();
    xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    auto* reply = xcb_res_query_client_ids_reply(c, xcb_res_query_client_ids(c, 1, &spec), nullptr);
    service.drainQueued();
    if (!reply)
        return std::nullopt;
    std::optional<qint64> pid;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem > 0;
         xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
            xcb_res_client_id_value_value_length(it.data) >= 1) {
            pid = *xcb_res_client_id_value_value(it.data);
            break;
        }
    }
    std::free(reply);
    return pid;
}

std::optional<qint64> pidOfTopLevel(X11InputService& service, xcb_window_t window) {
    if (!service.isConnected() || window == XCB_NONE)
        return std::nullopt;
    xcb_connection_t* c = service.connection();
    const xcb_atom_t netWmPid = service.atom("_NET_WM_PID");
    auto* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, netWmPid, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    service.drainQueued();
    std::optional<qint64> pid;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        pid = *static_cast<const uint32_t*>(xcb_get_property_value(reply));
    std::free(reply);
    if (pid && *pid > 0)
        return pid;
    return clientPidOfWindow(service, window);
}

} // namespace tolvane
