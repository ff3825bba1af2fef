#pragma once

#include <QtGlobal>
#include <optional>
#include <xcb/xcb.h>

namespace tolvane {

class X11InputService;

// The process that created the window, asked from the X server (X-Resource, local clients only).
std::optional<qint64> clientPidOfWindow(X11InputService& service, xcb_window_t window);

// The process a top-level window says it belongs to (_NET_WM_PID), else the X-Resource answer.
std::optional<qint64> pidOfTopLevel(X11InputService& service, xcb_window_t window);

} // namespace tolvane
