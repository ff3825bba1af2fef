#include "workflow/clipboard_manager.h"

#include "core/async/sleep.h"
#include "core/async/task.h"
#include "core/logging.h"
#include "core/text.h"
#include "platform/key_injector.h"
#include "platform/terminal_classes.h"
#include "platform/window_system.h"

namespace tolvane {
namespace {

using std::chrono::milliseconds;

// Password managers and similar sources mark what they put on the clipboard with one of these.
bool isConcealedTarget(const QString& name) {
    static const QStringList concealed = {QStringLiteral("org.nspasteboard.ConcealedType"),
                                          QStringLiteral("com.agilebits.onepassword"),
                                          QStringLiteral("com.apple.finder.node")};
    return concealed.contains(name);
}

const QString passwordHint = QStringLiteral("x-kde-passwordManagerHint");

// Everything the owner offers, target for target; absent when any of it cannot be read back in time or
// could not be offered again, so that nothing is borrowed that cannot be returned whole.
QCoro::Task<std::optional<ClipboardContents>> takeSnapshot(PasteboardBackend* backend, Clock* clock,
                                                           CancellationToken token) {
    const auto start = clock->uptime();
    const std::optional<QStringList> offered =
        co_await backend->targets(DesktopSelection::clipboard, ClipboardManager::targetTimeout, token);
    if (!offered || offered->size() > ClipboardManager::maxSnapshotTargets)
        co_return std::nullopt;
    ClipboardContents contents;
    qsizetype total = 0;
    for (const QString& target : *offered) {
        if (isTransferTarget(target)) {
            contents.formats.emplace_back(target, QByteArray());
            continue;
        }
        const auto spent = std::chrono::duration_cast<milliseconds>(clock->uptime() - start);
        const milliseconds left = ClipboardManager::snapshotBudget - spent;
        if (left <= milliseconds(0))
            co_return std::nullopt;
        std::optional<QByteArray> data = co_await backend->read(
            DesktopSelection::clipboard, target, std::min(left, ClipboardManager::targetTimeout), token);
        if (!data || data->size() > backend->maxWritableBytes())
            co_return std::nullopt;
        total += data->size();
        if (total > ClipboardManager::maxSnapshotBytes)
            co_return std::nullopt;
        contents.formats.emplace_back(target, std::move(*data));
    }
    co_return contents;
}

void restore(PasteboardBackend* backend, const ClipboardContents& saved) {
    if (!backend->write(saved))
        qCWarning(lcClipboard) << "Could not give the clipboard back: taking the clipboard failed (targets:"
                               << saved.formats.size() << ")";
}

QCoro::Task<bool> isSensitive(PasteboardBackend* backend, QStringList targets, CancellationToken token) {
    for (const QString& target : targets)
        if (isConcealedTarget(target))
            co_return true;
    if (!targets.contains(passwordHint))
        co_return false;
    const std::optional<QByteArray> hint = co_await backend->read(DesktopSelection::clipboard, passwordHint,
                                                                  ClipboardManager::targetTimeout, token);
    // A hint that cannot be read counts as secret: reading the text would be the worse mistake.
    co_return !hint || hint->trimmed() == "secret";
}

// The copied plain text, UTF-8 encodings first.
QCoro::Task<std::optional<QString>> readPlainText(PasteboardBackend* backend, QStringList targets,
                                                  CancellationToken token) {
    for (const char* name : {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "STRING"}) {
        const QString target = QString::fromLatin1(name);
        if (!targets.contains(target))
            continue;
        const std::optional<QByteArray> data = co_await backend->read(DesktopSelection::clipboard, target,
                                                                      ClipboardManager::targetTimeout, token);
        if (!data)
            continue;
        co_return target == QLatin1String("STRING") ? QString::fromLatin1(*data) : QString::fromUtf8(*data);
    }
    co_return std::nullopt;
}

bool isTerminal(const std::optional<FrontmostWindow>& front) {
    return front && (front->hostsTerminal || isTerminalWindowClass(front->instanceName, front->className));
}

// The copy happened when the clipboard changed hands to the frontmost window's process after Ctrl+C.
// Another process taking it meanwhile (a clipboard manager re-offering older contents) does not count; an
// owner whose process cannot be told does, as does any owner when no window was in front.
bool copiedByFront(const PasteboardBackend& backend, quint64 baseline, std::optional<qint64> frontPid) {
    for (const std::optional<qint64>& owner : backend.clipboardOwnersSince(baseline))
        if (!frontPid || !owner || owner == frontPid)
            return true;
    return false;
}

} // namespace

QString ClipboardError::description() const {
    return QStringLiteral("The pasteboard contains sensitive content and was skipped.");
}

ClipboardManager::ClipboardManager(PasteboardBackend& backend, KeyInjector& keys, WindowSystem& windows,
                                   Clock& clock, QObject* parent)
    : QObject(parent), m_backend(backend), m_keys(keys), m_windows(windows), m_clock(clock) {}

QCoro::Task<AsyncMutex::Guard> ClipboardManager::lock(CancellationToken token) {
    return m_mutex.lock(std::move(token));
}

QCoro::Task<std::optional<QString>> ClipboardManager::copySelectedText(CancellationToken token) {
    return copyBody(QPointer<ClipboardManager>(this), std::move(token));
}

QCoro::Task<> ClipboardManager::pasteText(QString text, CancellationToken token) {
    return pasteBody(QPointer<ClipboardManager>(this), std::move(text), std::move(token));
}

QCoro::Task<> ClipboardManager::pasteTextLocked(QString text, CancellationToken token) {
    Q_ASSERT(m_mutex.isLocked());
    return pasteLocked(QPointer<ClipboardManager>(this), std::move(text), std::move(token));
}

void ClipboardManager::writePlainText(const QString& text) {
    if (!m_mutex.isLocked()) {
        m_backend.writeText(text);
        return;
    }
    QPointer<ClipboardManager> self(this);
    spawn(this, lcClipboard(),
          [self, text](CancellationToken token) { return writeQueued(self, text, token); });
}

QCoro::Task<> ClipboardManager::writeQueued(QPointer<ClipboardManager> self, QString text,
                                            CancellationToken token) {
    if (!self)
        co_return;
    AsyncMutex::Guard guard = co_await self->m_mutex.lock(token);
    if (!self)
        co_return;
    self->m_backend.writeText(text);
}

QCoro::Task<std::optional<QString>> ClipboardManager::copyBody(QPointer<ClipboardManager> self,
                                                               CancellationToken token) {
    if (!self)
        co_return std::nullopt;
    AsyncMutex::Guard guard = co_await self->m_mutex.lock(token);
    if (!self)
        co_return std::nullopt;
    co_return co_await copyLocked(self, token);
}

QCoro::Task<std::optional<QString>> ClipboardManager::copyLocked(QPointer<ClipboardManager> self,
                                                                 CancellationToken token) {
    PasteboardBackend* backend = &self->m_backend;
    Clock* clock = &self->m_clock;
    const std::optional<FrontmostWindow> front = self->m_windows.frontmost();
    if (isTerminal(front)) {
        qCInfo(lcClipboard) << "Skipped synthetic copy because the frontmost window is a terminal";
        co_return std::nullopt;
    }
    if (!self->m_keys.canInject())
        co_return std::nullopt;

    // Nothing has changed yet if this is cancelled. The user's clipboard stays with its owner: it is only
    // taken back if the frontmost window copies over it, so it must be readable whole before we start.
    const std::optional<ClipboardContents> saved = co_await takeSnapshot(backend, clock, token);
    if (!self)
        co_return std::nullopt;
    if (!saved) {
        qCWarning(lcClipboard)
            << "Skipped synthetic copy because the clipboard's current contents could not be read whole";
        co_return std::nullopt;
    }
    const quint64 baseline = backend->changeCount();
    const std::optional<qint64> frontPid = front ? std::optional<qint64>(front->target.pid) : std::nullopt;

    std::optional<QString> copied;
    std::exception_ptr failure;
    try {
        co_await self->m_keys.send(SyntheticKey::copy, token);
        for (int wait = 0; wait < copyMaxWaits && self; ++wait) {
            co_await sleep(*clock, copyPollInterval, token);
            if (!self || copiedByFront(*backend, baseline, frontPid))
                break;
        }
        if (self && copiedByFront(*backend, baseline, frontPid)) {
            const QStringList targets =
                (co_await backend->targets(DesktopSelection::clipboard, targetTimeout, token))
                    .value_or(QStringList{});
            if (co_await isSensitive(backend, targets, token)) {
                qCInfo(lcClipboard) << "Skipped copied content marked as sensitive";
                throw ClipboardError(ClipboardError::Kind::sensitiveContent);
            }
            if (const std::optional<QString> text = co_await readPlainText(backend, targets, token)) {
                const QString trimmed = text::trimmed(*text);
                if (!trimmed.isEmpty())
                    copied = trimmed;
            }
        }
    } catch (...) {
        failure = std::current_exception();
    }
    // Whatever the front window copied (text, image, secret, nothing usable), also on cancellation, the
    // user's clipboard comes back. When it copied nothing the clipboard was never touched.
    if (self && copiedByFront(*backend, baseline, frontPid))
        restore(backend, *saved);
    if (failure)
        std::rethrow_exception(failure);
    co_return copied;
}

QCoro::Task<> ClipboardManager::pasteBody(QPointer<ClipboardManager> self, QString text,
                                          CancellationToken token) {
    if (!self)
        co_return;
    AsyncMutex::Guard guard = co_await self->m_mutex.lock(token);
    if (!self)
        co_return;
    co_await pasteLocked(self, text, token);
}

QCoro::Task<> ClipboardManager::pasteLocked(QPointer<ClipboardManager> self, QString text,
                                            CancellationToken token) {
    PasteboardBackend* backend = &self->m_backend;
    Clock* clock = &self->m_clock;
    if (!self->m_keys.canInject())
        co_return;
    const SyntheticKey key =
        isTerminal(self->m_windows.frontmost()) ? SyntheticKey::terminalPaste : SyntheticKey::paste;

    const std::optional<ClipboardContents> saved = co_await takeSnapshot(backend, clock, token);
    if (!self)
        co_return;
    if (!saved)
        qCWarning(lcClipboard) << "Pasting over a clipboard whose contents could not be read whole: they "
                                  "cannot be given back";
    backend->writeText(text);
    const quint64 requestsBefore = backend->servedTextRequests();

    std::exception_ptr failure;
    try {
        co_await self->m_keys.send(key, token);
        // The target pulls the text after the keystroke: keep it on offer until it has been fetched.
        co_await sleep(*clock, pasteMinimumWait, token);
        auto waited = pasteMinimumWait;
        while (self && backend->servedTextRequests() == requestsBefore && waited < pasteMaximumWait) {
            co_await sleep(*clock, pastePollInterval, token);
            waited += pastePollInterval;
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (self && saved)
        restore(backend, *saved);
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace tolvane
