#pragma once

#include "platform/permission_service.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace tolvane {

// The anchors of the privacy settings the permission pages link to. Identifiers only: Linux has no page
// to open for them.
inline const QString privacyAccessibilityAnchor = QStringLiteral("Privacy_Accessibility");
inline const QString privacyListenEventAnchor = QStringLiteral("Privacy_ListenEvent");
inline const QString privacyScreenCaptureAnchor = QStringLiteral("Privacy_ScreenCapture");

namespace AccessibilityPermissionManager {
// Reading and driving other applications is possible in this session.
bool isTrusted(const PermissionService& service = PermissionService::system());
// Nothing to prompt for on Linux: reports whether the permission is not needed or cannot be had, and why.
PermissionRequestResult requestAccess(const PermissionService& service = PermissionService::system());
} // namespace AccessibilityPermissionManager

namespace InputMonitoringPermissionManager {
enum class AccessState { granted, denied, unknown };
// The case name, for log lines.
QString toString(AccessState state);
AccessState accessState(const PermissionService& service = PermissionService::system());
PermissionRequestResult requestAccess(const PermissionService& service = PermissionService::system());
} // namespace InputMonitoringPermissionManager

// There is no system settings page to open on Linux: does nothing and returns false, so the caller shows the
// permission's explanation instead.
bool openPrivacySettingsPane(const QString& anchor);

// Registering with a consent list is not needed on X11: does nothing.
void registerInputMonitoringProbe();

// A 64-bit mask with the bit of each event type set; types of 64 and above are skipped.
uint64_t eventMask(const std::vector<uint32_t>& eventTypes);

} // namespace tolvane
