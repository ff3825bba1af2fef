#pragma once

#include "core/async/task.h"
#include "core/logging.h"
#include "platform/memory/memory_accessibility_backend.h"
#include "platform/memory/memory_key_injector.h"
#include "platform/memory/memory_pasteboard_backend.h"
#include "platform/memory/memory_window_system.h"
#include "support/virtual_clock.h"
#include "workflow/clipboard_manager.h"

#include <exception>
#include <memory>
#include <optional>

namespace tolvane::testing {

// The result of a coroutine run to its end in virtual time.
template <typename T> struct Outcome {
    bool done = false;
    std::optional<T> value;
    std::exception_ptr error;

    template <typename E> bool failedWith() const {
        if (!error)
            return false;
        try {
            std::rethrow_exception(error);
        } catch (const E&) {
            return true;
        } catch (...) {
            return false;
        }
    }
};

template <typename T> QCoro::Task<> collect(QCoro::Task<T> task, std::shared_ptr<Outcome<T>> out) {
    try {
        out->value = co_await std::move(task);
    } catch (...) {
        out->error = std::current_exception();
    }
    out->done = true;
}

inline QCoro::Task<> collectVoid(QCoro::Task<> task, std::shared_ptr<Outcome<bool>> out) {
    try {
        co_await std::move(task);
        out->value = true;
    } catch (...) {
        out->error = std::current_exception();
    }
    out->done = true;
}

// A desktop of fakes: the user's clipboard, one other application in front, and what it does on Ctrl+C/V.
struct ClipboardRoad {
    static constexpr qint64 appPid = 4242;
    static constexpr quint32 appWindow = 0x500001;

    VirtualClock clock;
    MemoryPasteboardBackend pasteboard{clock};
    MemoryKeyInjector keys;
    MemoryWindowSystem windows;
    MemoryAccessibilityBackend accessibility;
    ClipboardManager clipboard{pasteboard, keys, windows, clock};
    QObject context;

    // What the application puts on the clipboard when it receives Ctrl+C; nothing when absent.
    std::optional<ClipboardContents> copyAnswer;
    // What the application read from the clipboard when it received Ctrl+V.
    std::vector<QString> pasted;
    bool pullOnPaste = true;

    ClipboardRoad() {
        windows.setFront(windows.addWindow(appWindow, appPid, 777, QStringLiteral("Editor")));
        keys.setReceiver([this](SyntheticKey key) {
            if (key == SyntheticKey::copy && copyAnswer)
                pasteboard.setForeignClipboard(*copyAnswer, appPid);
            if (key != SyntheticKey::copy && pullOnPaste)
                if (std::optional<QString> text = pasteboard.pullText())
                    pasted.push_back(*text);
        });
    }

    static ClipboardContents text(const QString& value) {
        return {{{QStringLiteral("UTF8_STRING"), value.toUtf8()}}};
    }

    // The user's own clipboard, owned by some other process.
    void setUserClipboard(ClipboardContents contents) {
        pasteboard.setForeignClipboard(std::move(contents), 99);
    }

    template <typename T, typename Start>
    std::pair<std::shared_ptr<Outcome<T>>, TaskHandle> start(Start startTask) {
        auto out = std::make_shared<Outcome<T>>();
        TaskHandle handle = spawn(&context, lcClipboard(), [out, startTask](CancellationToken token) {
            return collect<T>(startTask(token), out);
        });
        drainEventLoop();
        return {out, handle};
    }

    std::pair<std::shared_ptr<Outcome<bool>>, TaskHandle>
    startVoid(std::function<QCoro::Task<>(CancellationToken)> body) {
        auto out = std::make_shared<Outcome<bool>>();
        TaskHandle handle = spawn(&context, lcClipboard(), [out, body](CancellationToken token) {
            return collectVoid(body(token), out);
        });
        drainEventLoop();
        return {out, handle};
    }
};

} // namespace tolvane::testing
