#pragma once

#include "platform/session_info.h"

#include <QString>

namespace tolvane {

enum class PermissionKind { accessibility, inputMonitoring, screenRecording };
enum class PermissionState { granted, denied, unknown };

struct PermissionStatus {
    PermissionState state = PermissionState::unknown;
    // Why the state is what it is, in words the settings page can show.
    QString reason;
};

// What a request did. Linux has no consent prompt: a request is either not needed or cannot help.
enum class PermissionRequestOutcome { notNeeded, unavailable };

struct PermissionRequestResult {
    PermissionRequestOutcome outcome = PermissionRequestOutcome::unavailable;
    QString explanation;
};

// The privacy permissions the global features need, answered from the session probe. X11 asks for no
// per-application consent; under Wayland or without the needed X extensions the features cannot work.
// Answers come from the cached probe, so badges may poll freely.
class PermissionService {
public:
    explicit PermissionService(SessionInfo session);

    PermissionStatus state(PermissionKind kind) const;
    bool isGranted(PermissionKind kind) const { return state(kind).state == PermissionState::granted; }
    // No permission can be requested from within the application on Linux.
    bool canRequest(PermissionKind) const { return false; }
    // Starts no process and shows no prompt.
    PermissionRequestResult request(PermissionKind kind) const;

    const SessionInfo& session() const { return m_session; }

    // The service over this process's session.
    static const PermissionService& system();

private:
    SessionInfo m_session;
};

} // namespace tolvane
