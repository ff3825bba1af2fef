#pragma once

#include "core/app_error.h"
#include "core/clock.h"
#include "platform/window_system.h"
#include "workflow/paste_back_target.h"

#include <QObject>
#include <QPointer>
#include <chrono>
#include <optional>

namespace tolvane {

class ClipboardManager;
class KeyInjector;

class PasteBackError final : public AppError {
public:
    enum class Kind {
        missingTargetApplication,
        targetApplicationUnavailable,
        accessibilityPermissionRequired
    };
    explicit PasteBackError(Kind kind) : m_kind(kind) {}
    Kind kind() const { return m_kind; }
    QString description() const override;

private:
    Kind m_kind;
};

// Writes a translation back into the application the selection came from. The target is remembered as
// window, process id and process start time, so a process id reused by another program never receives it.
// Activation is verified: a window manager that refuses or focuses another window gives an error, and
// nothing is pasted. Without a way to send the paste keystroke it fails before touching any window.
class PasteBackController final : public QObject, public PasteBackTarget {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds activationWait{180};
    static constexpr std::chrono::milliseconds activationPoll{20};

    PasteBackController(ClipboardManager& clipboard, const KeyInjector& keys, WindowSystem& windows,
                        Clock& clock, QObject* parent = nullptr);

    // Remembers the frontmost window, or forgets the target when that is this application or nothing.
    void captureTarget() override;
    QCoro::Task<> pasteBack(QString text, CancellationToken token) override;

    std::optional<PasteTarget> target() const { return m_target; }

private:
    static QCoro::Task<> pasteBody(QPointer<PasteBackController> self, QString text, CancellationToken token);

    ClipboardManager& m_clipboard;
    const KeyInjector& m_keys;
    WindowSystem& m_windows;
    Clock& m_clock;
    std::optional<PasteTarget> m_target;
};

} // namespace tolvane
