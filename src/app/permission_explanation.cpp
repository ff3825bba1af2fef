#include "app/permission_explanation.h"

#include "workflow/permission_helpers.h"

#include <QMessageBox>
#include <QPointer>
#include <map>

namespace tolvane {

namespace {

QString permissionTitle(PermissionKind kind) {
    switch (kind) {
    case PermissionKind::accessibility:
        return QStringLiteral("辅助功能");
    case PermissionKind::inputMonitoring:
        return QStringLiteral("输入监控");
    case PermissionKind::screenRecording:
        return QStringLiteral("屏幕录制");
    }
    return {};
}

} // namespace

QMessageBox* openPrivacySettingsOrExplain(const PermissionService& permissions, PermissionKind kind,
                                          const QString& anchor) {
    if (openPrivacySettingsPane(anchor))
        return nullptr;
    static std::map<PermissionKind, QPointer<QMessageBox>> shown;
    QPointer<QMessageBox>& box = shown[kind];
    if (!box) {
        const PermissionStatus status = permissions.state(kind);
        const bool granted = status.state == PermissionState::granted;
        box = new QMessageBox(granted ? QMessageBox::Information : QMessageBox::Warning,
                              permissionTitle(kind) + QStringLiteral("权限"),
                              QStringLiteral("%1：%2。").arg(permissionTitle(kind), status.reason));
        box->setInformativeText(QStringLiteral("此系统没有可以打开的隐私设置页面。"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
    }
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}

} // namespace tolvane
