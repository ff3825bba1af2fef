#pragma once

#include "platform/permission_service.h"

#include <QString>

class QMessageBox;

namespace tolvane {

// Opens the system's privacy settings at `anchor`. The system has none to open (X11 asks no consent), so
// instead a message box explains the permission's state and why; one box per permission, raised again when
// asked once more. Returns the box shown, or null when the settings opened.
QMessageBox* openPrivacySettingsOrExplain(const PermissionService& permissions, PermissionKind kind,
                                          const QString& anchor);

} // namespace tolvane
