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

// Targets that describe the transfer rather than content; never copied into a snapshot.
bool isMetaTarget(const QString& name) {
    static const QStringList meta = {QStringLiteral("TARGETS"),   QStringLiteral("MULTIPLE"),
                                     QStringLiteral("TIMESTAMP"), QStringLiteral("SAVE_TARGETS"),
                                     QStringLiteral("DELETE"),    QStringLiteral("INCR")};
    return meta.contains(name);
}

// Password managers and similar sources mark what they put on the clipboard with one of these.
bool isConcealedTarget(const QString& name) {
    static const QStringList concealed = {QStringLiteral("org.nspasteboard.ConcealedType"),
                                          QStringLiteral("com.agilebits.onepassword"),
                                          QStringLiteral("com.apple.finder.node")};
    return concealed.contains(name);
}

const QString passwordHint = QStringLiteral("x-kde-passwordManagerHint");

// The targets worth saving: no meta targets, one image conversion (PNG when offered), no text encodings
// that the UTF-8 one already carries, at most maxSnapshotTargets.
QStringList snapshotTargets(const QStringList& offered) {
    const bool hasPng = offered.contains(QLatin1String("image/png"));
    const bool hasUtf8 = offered.contains(QLatin1String("UTF8_STRING"));
    QStringList chosen;
    bool haveImage = false;
    for (const QString& name : offered) {
        if (isMetaTarget(name) || name == QLatin1String("TEXT") || name == QLatin1String("COMPOUND_TEXT"))
            continue;
        if (hasUtf8 && name == QLatin1String("STRING"))
            continue;
        if (name.startsWith(QLatin1String("image/"))) {
            if (haveImage || (hasPng && name != QLatin1String("image/png")))
                continue;
            haveImage = true;
        }
        chosen.append(name);
        if (chosen.size() == ClipboardManager::maxSnapshotTargets)
            break;
    }
    return chosen;
}

QCoro::Task<ClipboardContents> takeSnapshot(PasteboardBackend* backend, Clock* clock,
                                            CancellationToken token) {
    ClipboardContents contents;
    const auto start = clock->uptime();
    const QStringList offered =
        co_await backend->targets(DesktopSelection::clipboard, ClipboardManager::targetTimeout, token);
    for (const QString& target : snapshotTargets(offered)) {
        const auto spent = std::chrono::duration_cast<milliseconds>(clock->uptime() - start);
        const milliseconds left = ClipboardManager::snapshotBudget - spent;
        if (left <= milliseconds(0))
            break;
        std::optional<QByteArray> data = co_await backend->read(
            DesktopSelection::clipboard, target, std::min(left, ClipboardManager::targetTimeout), token);
        if (data)
            contents.formats.emplace_back(target, std::move(*data));
    }
    co_return contents;
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
    return front && isTerminalWindowClass(front->instanceName, front->className);
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
    if (isTerminal(self->m_windows.frontmost())) {
        qCInfo(lcClipboard) << "Skipped synthetic copy because the frontmost window is a terminal";
        co_return std::nullopt;
    }
    if (!self->m_keys.canInject())
        co_return std::nullopt;

    // Nothing has changed yet if this is cancelled.
    const ClipboardContents saved = co_await takeSnapshot(backend, clock, token);
    if (!self)
        co_return std::nullopt;
    backend->write({{{markerFormat, QByteArrayLiteral("1")}}});
    const quint64 baseline = backend->changeCount();

    std::optional<QString> copied;
    std::exception_ptr failure;
    try {
        co_await self->m_keys.send(SyntheticKey::copy, token);
        for (int wait = 0; wait < copyMaxWaits && self; ++wait) {
            co_await sleep(*clock, copyPollInterval, token);
            if (!self || backend->changeCount() != baseline)
                break;
        }
        if (self && backend->changeCount() != baseline) {
            const QStringList targets =
                co_await backend->targets(DesktopSelection::clipboard, targetTimeout, token);
            if (!targets.contains(markerFormat)) {
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
        }
    } catch (...) {
        failure = std::current_exception();
    }
    // The user's clipboard comes back whatever happened: text, image, secret, nothing, or cancellation.
    if (self)
        backend->write(saved);
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

    const ClipboardContents saved = co_await takeSnapshot(backend, clock, token);
    if (!self)
        co_return;
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
    if (self)
        backend->write(saved);
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace tolvane
