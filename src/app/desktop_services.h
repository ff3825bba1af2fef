#pragma once

#include "platform/session_info.h"

#include <QPoint>
#include <functional>
#include <memory>

namespace tolvane {

class AccessibilityBackend;
class GlobalInputService;
class KeyInjector;
class PasteboardBackend;
class PermissionService;
class WindowSystem;

// The desktop as the application drives it: global input, the clipboard and PRIMARY, synthetic keys, the
// window list and the accessibility bus. A real X11 set-up for normal runs, and an in-memory one for test
// hosts and snapshot runs (and when no X server answers), so those never grab keys or touch the desktop.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // Connects to $DISPLAY; falls back to the in-memory desktop (logged) when the connection fails.
    static std::unique_ptr<DesktopServices> x11(SessionKind session);
    static std::unique_ptr<DesktopServices> inMemory();

    // Null when this desktop offers no global input (no hot keys, no selection capsule).
    virtual GlobalInputService* globalInput() = 0;
    virtual PasteboardBackend& pasteboard() = 0;
    virtual KeyInjector& keys() = 0;
    virtual std::shared_ptr<WindowSystem> windows() = 0;
    virtual AccessibilityBackend& accessibility() = 0;
    virtual const PermissionService& permissions() const = 0;
    // Owner changes of PRIMARY made by other processes so far.
    virtual quint64 foreignPrimaryChanges() const = 0;
    // The pointer in Qt global logical coordinates.
    virtual QPoint cursorPosition() const = 0;
};

} // namespace tolvane
