#pragma once

#include "platform/session_info.h"

#include <optional>

typedef struct xcb_connection_t xcb_connection_t;

namespace tolvane {

// Opens a short-lived connection to $DISPLAY and reports the extensions it offers; absent when no X server
// answers.
std::optional<X11Extensions> probeX11Extensions();

// The extensions offered on an existing connection.
X11Extensions probeX11Extensions(xcb_connection_t* connection);

} // namespace tolvane
