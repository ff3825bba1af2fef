#include "workflow/paste_back_controller.h"

#include "core/async/sleep.h"
#include "core/logging.h"
#include "platform/key_injector.h"
#include "workflow/clipboard_manager.h"

namespace tolvane {

QString PasteBackError::description() const {
    switch (m_kind) {
    case Kind::missingTargetApplication:
        return QStringLiteral("没有可写回的来源 App，请重新选中文字后再翻译。");
    case Kind::targetApplicationUnavailable:
        return QStringLiteral("来源 App 已关闭或无法激活，请重新选中文字后再试。");
    case Kind::accessibilityPermissionRequired:
        return QStringLiteral("需要辅助功能权限才能把译文粘贴回来源 App：当前桌面无法模拟按键（例如 X "
                              "服务器没有 XTEST 扩展）。请复制译文后手动粘贴。");
    }
    return {};
}

PasteBackController::PasteBackController(ClipboardManager& clipboard, const KeyInjector& keys,
                                         WindowSystem& windows, Clock& clock, QObject* parent)
    : QObject(parent), m_clipboard(clipboard), m_keys(keys), m_windows(windows), m_clock(clock) {}

void PasteBackController::captureTarget() {
    const std::optional<FrontmostWindow> front = m_windows.frontmost();
    if (front && !m_windows.isSelf(*front)) {
        m_target = front->target;
        qCInfo(lcPasteBack) << "Captured paste-back target application";
        return;
    }
    m_target.reset();
    qCInfo(lcPasteBack) << "Skipped paste-back target capture because the translator is frontmost";
}

QCoro::Task<> PasteBackController::pasteBack(QString text, CancellationToken token) {
    return pasteBody(QPointer<PasteBackController>(this), std::move(text), std::move(token));
}

QCoro::Task<> PasteBackController::pasteBody(QPointer<PasteBackController> self, QString text,
                                             CancellationToken token) {
    token.throwIfCancelled();
    // Without the keystroke the paste cannot happen: fail before bringing any window forward.
    if (self && !self->m_keys.canInject()) {
        qCCritical(lcPasteBack) << "Paste-back failed because synthetic keystrokes are unavailable";
        throw PasteBackError(PasteBackError::Kind::accessibilityPermissionRequired);
    }
    if (!self || !self->m_target)
        throw PasteBackError(PasteBackError::Kind::missingTargetApplication);
    const PasteTarget target = *self->m_target;
    ClipboardManager* clipboard = &self->m_clipboard;

    // No other clipboard work may run between bringing the target forward and the end of the paste.
    AsyncMutex::Guard guard = co_await clipboard->lock(token);
    if (!self)
        co_return;
    WindowSystem& windows = self->m_windows;
    if (!windows.isAlive(target) || !windows.activate(target.window))
        throw PasteBackError(PasteBackError::Kind::targetApplicationUnavailable);

    // Wait until the window manager really put the target in front; it may refuse silently.
    bool inFront = false;
    for (auto waited = std::chrono::milliseconds(0); waited < activationWait; waited += activationPoll) {
        co_await sleep(self->m_clock, activationPoll, token);
        if (!self)
            co_return;
        const std::optional<FrontmostWindow> front = self->m_windows.frontmost();
        if (front && front->target == target) {
            inFront = true;
            break;
        }
    }
    if (!inFront)
        throw PasteBackError(PasteBackError::Kind::targetApplicationUnavailable);

    co_await clipboard->pasteTextLocked(text, token);
    qCInfo(lcPasteBack) << "Completed paste-back to the captured source application";
}

} // namespace tolvane
