#include "platform/session_info.h"

#include "platform/x11/x11_session_probe.h"

namespace tolvane {

SessionKind classifySession(const SessionEnvironment& environment) {
    const bool wayland =
        environment.xdgSessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0 ||
        !environment.waylandDisplay.isEmpty();
    if (wayland)
        return SessionKind::wayland;
    return environment.displayConnects ? SessionKind::x11 : SessionKind::none;
}

SessionEnvironment processEnvironment(bool displayConnects) {
    SessionEnvironment environment;
    environment.xdgSessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    environment.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    environment.displayConnects = displayConnects;
    return environment;
}

const SessionInfo& currentSession() {
    static const SessionInfo session = [] {
        SessionInfo info;
        const std::optional<X11Extensions> probed = probeX11Extensions();
        info.kind = classifySession(processEnvironment(probed.has_value()));
        if (probed)
            info.extensions = *probed;
        return info;
    }();
    return session;
}

} // namespace tolvane
