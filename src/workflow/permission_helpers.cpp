#include "workflow/permission_helpers.h"

namespace tolvane {

namespace AccessibilityPermissionManager {
bool isTrusted(const PermissionService& service) {
    return service.isGranted(PermissionKind::accessibility);
}
PermissionRequestResult requestAccess(const PermissionService& service) {
    return service.request(PermissionKind::accessibility);
}
} // namespace AccessibilityPermissionManager

namespace InputMonitoringPermissionManager {
QString toString(AccessState state) {
    switch (state) {
    case AccessState::granted:
        return QStringLiteral("granted");
    case AccessState::denied:
        return QStringLiteral("denied");
    case AccessState::unknown:
        return QStringLiteral("unknown");
    }
    return QStringLiteral("unknown");
}

AccessState accessState(const PermissionService& service) {
    switch (service.state(PermissionKind::inputMonitoring).state) {
    case PermissionState::granted:
        return AccessState::granted;
    case PermissionState::denied:
        return AccessState::denied;
    case PermissionState::unknown:
        break;
    }
    return AccessState::unknown;
}

PermissionRequestResult requestAccess(const PermissionService& service) {
    return service.request(PermissionKind::inputMonitoring);
}
} // namespace InputMonitoringPermissionManager

bool openPrivacySettingsPane(const QString&) {
    return false;
}

void registerInputMonitoringProbe() {}

uint64_t eventMask(const std::vector<uint32_t>& eventTypes) {
    uint64_t mask = 0;
    for (uint32_t type : eventTypes)
        if (type < 64)
            mask |= uint64_t(1) << type;
    return mask;
}

} // namespace tolvane
