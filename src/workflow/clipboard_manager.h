#pragma once

#include "core/app_error.h"
#include "core/async/async_mutex.h"
#include "core/clock.h"
#include "platform/pasteboard_backend.h"
#include "workflow/clipboard_writer.h"

#include <QObject>
#include <QPointer>
#include <chrono>

namespace tolvane {

class KeyInjector;
class WindowSystem;

// The copied content was marked as a password or similar secret; it was not read.
class ClipboardError final : public AppError {
public:
    enum class Kind { sensitiveContent };
    explicit ClipboardError(Kind kind = Kind::sensitiveContent) : m_kind(kind) {}
    Kind kind() const { return m_kind; }
    QString description() const override;

private:
    Kind m_kind;
};

// The single gateway to the desktop clipboard for driving other applications: copying their selection
// (synthetic Ctrl+C) and pasting into them (synthetic Ctrl+V). A copy leaves the clipboard with its owner
// unless the frontmost window copies over it; then, as after every paste, the user's previous contents come
// back target for target, whatever was copied and also on cancellation. Clipboard operations run one at a
// time, in arrival order, so a paste and a copy can never interleave and lose the user's clipboard.
class ClipboardManager final : public QObject, public ClipboardWriter {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds copyPollInterval{40};
    static constexpr int copyMaxWaits = 12;
    static constexpr std::chrono::milliseconds pasteMinimumWait{220};
    static constexpr std::chrono::milliseconds pastePollInterval{20};
    static constexpr std::chrono::milliseconds pasteMaximumWait{1000};
    static constexpr std::chrono::milliseconds targetTimeout{500};
    static constexpr std::chrono::milliseconds snapshotBudget{1500};
    static constexpr int maxSnapshotTargets = 64;
    static constexpr qsizetype maxSnapshotBytes = 128 * 1024 * 1024;

    ClipboardManager(PasteboardBackend& backend, KeyInjector& keys, WindowSystem& windows, Clock& clock,
                     QObject* parent = nullptr);

    // Makes the frontmost application copy its selection and returns it trimmed; absent when nothing (or
    // only white space) was copied, when the frontmost window is a terminal (Ctrl+C would interrupt it), or
    // when the clipboard's current contents cannot be read whole (they could not be given back). Throws
    // ClipboardError for sensitive content and CancelledError, both after the user's clipboard is back.
    QCoro::Task<std::optional<QString>> copySelectedText(CancellationToken token);
    // Pastes text into the frontmost application, then gives the user's clipboard back once the target
    // fetched the text (no earlier than 220 ms, no later than 1 s).
    QCoro::Task<> pasteText(QString text, CancellationToken token);
    // Puts plain text on the clipboard (no borrowing), after any operation in progress.
    void writePlainText(const QString& text) override;

    // Holds off every other clipboard operation while the guard lives (paste-back holds it from activating
    // the target until the paste is over).
    QCoro::Task<AsyncMutex::Guard> lock(CancellationToken token);
    // pasteText for a caller that already holds lock().
    QCoro::Task<> pasteTextLocked(QString text, CancellationToken token);

private:
    static QCoro::Task<std::optional<QString>> copyBody(QPointer<ClipboardManager> self,
                                                        CancellationToken token);
    static QCoro::Task<std::optional<QString>> copyLocked(QPointer<ClipboardManager> self,
                                                          CancellationToken token);
    static QCoro::Task<> pasteBody(QPointer<ClipboardManager> self, QString text, CancellationToken token);
    static QCoro::Task<> pasteLocked(QPointer<ClipboardManager> self, QString text, CancellationToken token);
    static QCoro::Task<> writeQueued(QPointer<ClipboardManager> self, QString text, CancellationToken token);

    PasteboardBackend& m_backend;
    KeyInjector& m_keys;
    WindowSystem& m_windows;
    Clock& m_clock;
    AsyncMutex m_mutex;
};

} // namespace tolvane
