#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace tolvane {

// A top-level window of another process, identified so that a reused process id never matches: the
// window, the process id and the process start time (clock ticks since boot) must all agree.
struct PasteTarget {
    quint32 window = 0;
    qint64 pid = 0;
    quint64 startTime = 0;

    friend bool operator==(const PasteTarget&, const PasteTarget&) = default;
};

// The application the user is working in.
struct FrontmostWindow {
    PasteTarget target;
    // WM_CLASS instance and class names.
    QString instanceName;
    QString className;
    // The window's process holds a pseudo-terminal master: a terminal emulator, or a program with a
    // terminal inside, where Ctrl+C would interrupt whatever runs in it.
    bool hostsTerminal = false;
};

// The window manager side of the desktop: which window is in front and bringing one back.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The active window and its process; absent when no window has the focus.
    virtual std::optional<FrontmostWindow> frontmost() = 0;
    // Asks the window manager to activate the window; false when the window no longer exists or the
    // request could not be sent. Whether it happened is checked by reading frontmost() afterwards.
    virtual bool activate(quint32 window) = 0;
    // The process is running with the same start time and the window still exists.
    virtual bool isAlive(const PasteTarget& target) = 0;
    // The process id of this application.
    virtual qint64 selfPid() const = 0;

    bool isSelf(const FrontmostWindow& window) const { return window.target.pid == selfPid(); }
};

} // namespace tolvane
