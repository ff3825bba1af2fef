#pragma once

#include "platform/window_system.h"

#include <QPointer>
#include <xcb/xcb.h>

namespace tolvane {

class X11InputService;

// Windows through EWMH when a window manager runs (_NET_ACTIVE_WINDOW), else through the input focus.
class X11WindowSystem final : public WindowSystem {
public:
    explicit X11WindowSystem(X11InputService& service);

    std::optional<FrontmostWindow> frontmost() override;
    bool activate(quint32 window) override;
    bool isAlive(const PasteTarget& target) override;
    qint64 selfPid() const override;

private:
    bool hasWindowManager();
    xcb_window_t focusedTopLevel();
    bool windowExists(xcb_window_t window);
    void readWindowClass(xcb_window_t window, FrontmostWindow& info);

    QPointer<X11InputService> m_service;
};

} // namespace tolvane
