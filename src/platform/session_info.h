#pragma once

#include <QString>

namespace tolvane {

// What kind of desktop session the process runs in. XWayland counts as wayland: X calls there reach only
// X clients, so the global features cannot work.
enum class SessionKind { x11, wayland, none };

// The X extensions the global input features depend on, probed once per connection.
struct X11Extensions {
    bool xtest = false;
    // XInput version offered by the server; 0.0 when absent. Raw events need 2.1 or later.
    int xinputMajor = 0;
    int xinputMinor = 0;
    bool xfixes = false;
    // X-Resource 1.2 (client ids, used to find the process owning a selection).
    bool xres = false;
    bool xkb = false;

    bool hasRawInput() const { return xinputMajor > 2 || (xinputMajor == 2 && xinputMinor >= 1); }
};

struct SessionInfo {
    SessionKind kind = SessionKind::none;
    X11Extensions extensions;
};

// The environment facts the session kind is decided from.
struct SessionEnvironment {
    QString xdgSessionType;
    QString waylandDisplay;
    // True when an X connection to $DISPLAY succeeded.
    bool displayConnects = false;
};

SessionKind classifySession(const SessionEnvironment& environment);

// The environment of this process (does not connect anywhere).
SessionEnvironment processEnvironment(bool displayConnects);

// The session of this process, probed once on first use (connects to the X server briefly).
const SessionInfo& currentSession();

} // namespace tolvane
