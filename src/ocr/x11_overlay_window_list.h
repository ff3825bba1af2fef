#pragma once

#include "ocr/screenshot_overlay_window_suggestion.h"

namespace tolvane {

// The window manager's client windows (EWMH) on Qt's own X connection, front to back. Only windows that
// carry the pid of a running process on this machine and are shown on the current desktop are listed; their
// bounds are the client areas inside the window manager's frames.
// Absent when there is no X connection, no window manager list, or a reply failed or was malformed.
// Main thread only.
class X11OverlayWindowList final : public OverlayWindowList {
public:
    std::optional<QList<OverlayWindowInfo>> onScreenWindows() override;
};

} // namespace tolvane
