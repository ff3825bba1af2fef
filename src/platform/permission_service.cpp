#include "platform/permission_service.h"

namespace tolvane {
namespace {

PermissionStatus granted(QString reason) {
    return {PermissionState::granted, std::move(reason)};
}
PermissionStatus denied(QString reason) {
    return {PermissionState::denied, std::move(reason)};
}

QString notAvailableReason(SessionKind kind) {
    return kind == SessionKind::wayland ? QStringLiteral("Wayland 会话不支持读取或控制其他应用")
                                        : QStringLiteral("没有可用的 X11 显示");
}

} // namespace

PermissionService::PermissionService(SessionInfo session) : m_session(session) {}

PermissionStatus PermissionService::state(PermissionKind kind) const {
    if (m_session.kind != SessionKind::x11)
        return denied(notAvailableReason(m_session.kind));
    const X11Extensions& ext = m_session.extensions;
    switch (kind) {
    case PermissionKind::accessibility: {
        QString reason = QStringLiteral("X11 会话无需单独授权");
        if (!ext.xtest)
            reason += QStringLiteral("；X 服务器没有 XTEST 扩展，无法模拟复制和粘贴");
        return granted(reason);
    }
    case PermissionKind::inputMonitoring:
        if (ext.hasRawInput())
            return granted(QStringLiteral("X11 会话无需单独授权"));
        return denied(QStringLiteral("X 服务器没有 XInput 2.1 或更新版本，无法监听全局输入"));
    case PermissionKind::screenRecording:
        return granted(QStringLiteral("X11 会话无需单独授权"));
    }
    return {PermissionState::unknown, QStringLiteral("无法确定权限状态")};
}

PermissionRequestResult PermissionService::request(PermissionKind kind) const {
    const PermissionStatus status = state(kind);
    if (status.state == PermissionState::granted)
        return {PermissionRequestOutcome::notNeeded, QStringLiteral("X11 会话无需单独授权，无需请求")};
    return {PermissionRequestOutcome::unavailable,
            status.reason + QStringLiteral("；此系统没有可以授予该权限的设置")};
}

const PermissionService& PermissionService::system() {
    static const PermissionService service(currentSession());
    return service;
}

} // namespace tolvane
