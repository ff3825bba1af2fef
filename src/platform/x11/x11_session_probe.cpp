#include "platform/x11/x11_session_probe.h"

#include <cstdlib>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

namespace tolvane {
namespace {

bool hasExtension(xcb_connection_t* connection, xcb_extension_t* extension) {
    const xcb_query_extension_reply_t* reply = xcb_get_extension_data(connection, extension);
    return reply && reply->present;
}

} // namespace

X11Extensions probeX11Extensions(xcb_connection_t* connection) {
    X11Extensions extensions;
    extensions.xtest = hasExtension(connection, &xcb_test_id);
    if (hasExtension(connection, &xcb_input_id)) {
        auto* reply = xcb_input_xi_query_version_reply(connection,
                                                       xcb_input_xi_query_version(connection, 2, 2), nullptr);
        if (reply) {
            extensions.xinputMajor = reply->major_version;
            extensions.xinputMinor = reply->minor_version;
            std::free(reply);
        }
    }
    if (hasExtension(connection, &xcb_xfixes_id)) {
        auto* reply =
            xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 5, 0), nullptr);
        extensions.xfixes = reply && reply->major_version >= 1;
        std::free(reply);
    }
    if (hasExtension(connection, &xcb_res_id)) {
        auto* reply =
            xcb_res_query_version_reply(connection, xcb_res_query_version(connection, 1, 2), nullptr);
        extensions.xres =
            reply && (reply->server_major > 1 || (reply->server_major == 1 && reply->server_minor >= 2));
        std::free(reply);
    }
    auto* xkb =
        xcb_query_extension_reply(connection, xcb_query_extension(connection, 9, "XKEYBOARD"), nullptr);
    extensions.xkb = xkb && xkb->present;
    std::free(xkb);
    return extensions;
}

std::optional<X11Extensions> probeX11Extensions() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection)
            xcb_disconnect(connection);
        return std::nullopt;
    }
    X11Extensions extensions = probeX11Extensions(connection);
    xcb_disconnect(connection);
    return extensions;
}

} // namespace tolvane
