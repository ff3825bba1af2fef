#include "workflow/selection_reader.h"

#include "core/logging.h"
#include "core/text.h"
#include "platform/accessibility_backend.h"
#include "platform/pasteboard_backend.h"
#include "platform/permission_service.h"
#include "platform/window_system.h"
#include "workflow/clipboard_manager.h"

namespace tolvane {

QString SelectionError::description() const {
    switch (m_kind) {
    case Kind::accessibilityPermissionRequired:
        return QStringLiteral(
            "需要辅助功能权限才能稳定读取其他 App 的选中文本。请在设置页点“请求授权”，或在系统设置中允许 "
            "Ondrel 后重试。");
    case Kind::noSelection:
        return QStringLiteral("没有检测到选中文本。请先在当前 App 中选中文字，再按快捷键。");
    }
    return {};
}

SelectionReader::SelectionReader(Services services, QObject* parent)
    : QObject(parent), m_services(std::move(services)) {}

SelectionReader::AccessibilityRead SelectionReader::accessibilityRead() {
    AccessibilityRead read;
    const std::optional<FrontmostWindow> front = m_services.windows.frontmost();
    // Asking our own process over the bus would wait on the very thread that has to answer.
    if (!front || m_services.windows.isSelf(*front))
        return read;
    const std::optional<AccessibleSelection> element =
        m_services.accessibility.focusedSelection(front->target.pid);
    if (!element)
        return read;
    if (element->isPassword) {
        read.passwordFocused = true;
        return read;
    }
    const QString trimmed = text::trimmed(element->text);
    if (trimmed.isEmpty())
        return read;
    CapturedSelection selection{trimmed, std::nullopt};
    if (const std::optional<QRectF> bounds = nativeToLogical(element->nativeExtents, m_services.screens()))
        selection.bounds = bounds->toAlignedRect();
    read.selection = selection;
    return read;
}

std::optional<CapturedSelection> SelectionReader::readAccessibilitySelection() {
    return accessibilityRead().selection;
}

CapturedSelection SelectionReader::atPointer(const QString& text) const {
    const QPoint pointer = m_services.cursorPosition();
    return {text, QRect(pointer, QSize(1, 1))};
}

std::optional<CapturedSelection> SelectionReader::readSelectionSynchronously() {
    if (!m_services.permissions.isGranted(PermissionKind::accessibility)) {
        qCInfo(lcSelectionReader)
            << "Skipped synchronous Accessibility capture because permission is unavailable";
        return std::nullopt;
    }
    std::optional<CapturedSelection> selection = readAccessibilitySelection();
    if (selection)
        qCInfo(lcSelectionReader) << "Captured selection synchronously through Accessibility";
    else
        qCInfo(lcSelectionReader) << "Synchronous Accessibility capture found no selected text";
    return selection;
}

QCoro::Task<std::optional<CapturedSelection>> SelectionReader::readSelection(CancellationToken token) {
    return readBody(QPointer<SelectionReader>(this), std::move(token));
}

QCoro::Task<std::optional<CapturedSelection>> SelectionReader::readPrimarySelection(CancellationToken token) {
    return primaryBody(QPointer<SelectionReader>(this), std::move(token));
}

QCoro::Task<std::optional<CapturedSelection>> SelectionReader::primaryBody(QPointer<SelectionReader> self,
                                                                           CancellationToken token) {
    token.throwIfCancelled();
    const std::optional<FrontmostWindow> front = self->m_services.windows.frontmost();
    if (!front)
        co_return std::nullopt;
    // An application's PRIMARY is its current selection only while it is the one in front.
    PasteboardBackend& pasteboard = self->m_services.pasteboard;
    if (pasteboard.ownerPid(DesktopSelection::primary) != front->target.pid)
        co_return std::nullopt;
    for (const char* target : {"UTF8_STRING", "STRING"}) {
        const std::optional<QByteArray> data = co_await pasteboard.read(
            DesktopSelection::primary, QString::fromLatin1(target), primaryTimeout, token);
        if (!self)
            co_return std::nullopt;
        if (!data)
            continue;
        const QString text = text::trimmed(qstrcmp(target, "STRING") == 0 ? QString::fromLatin1(*data)
                                                                          : QString::fromUtf8(*data));
        if (text.isEmpty())
            co_return std::nullopt;
        co_return self->atPointer(text);
    }
    co_return std::nullopt;
}

QCoro::Task<std::optional<CapturedSelection>> SelectionReader::readBody(QPointer<SelectionReader> self,
                                                                        CancellationToken token) {
    token.throwIfCancelled();
    const bool trusted = self->m_services.permissions.isGranted(PermissionKind::accessibility);
    if (trusted) {
        const AccessibilityRead read = self->accessibilityRead();
        if (read.selection) {
            qCInfo(lcSelectionReader) << "Captured selection through Accessibility";
            co_return read.selection;
        }
        if (read.passwordFocused) {
            // Neither PRIMARY nor a copy may take what a password field holds.
            qCInfo(lcSelectionReader) << "Selection capture skipped a focused password field";
            co_return std::nullopt;
        }
    }

    std::optional<CapturedSelection> primary = co_await primaryBody(self, token);
    if (!self)
        co_return std::nullopt;
    if (primary) {
        qCInfo(lcSelectionReader) << "Captured selection through the primary selection";
        co_return primary;
    }

    const std::optional<QString> copied = co_await self->m_services.clipboard.copySelectedText(token);
    if (!self)
        co_return std::nullopt;
    if (copied) {
        qCInfo(lcSelectionReader) << "Captured selection through clipboard fallback";
        co_return self->atPointer(*copied);
    }
    if (self->m_services.permissions.isGranted(PermissionKind::accessibility)) {
        qCInfo(lcSelectionReader) << "Selection capture completed without selected text";
        co_return std::nullopt;
    }
    qCCritical(lcSelectionReader)
        << "Selection capture failed because Accessibility permission is unavailable";
    throw SelectionError(SelectionError::Kind::accessibilityPermissionRequired);
}

} // namespace tolvane
