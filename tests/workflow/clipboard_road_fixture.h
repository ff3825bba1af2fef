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
#include <type_traits>

namespace tolvane::testing {

// The result of a coroutine run to its end; a task without a value reports `true`.
template <typename T> struct Outcome {
    bool done = false;
    std::optional<T> value;
    std::exception_ptr error;

    template <typename E> bool failedWith() const {
        return caught<E>([](const E&) {});
    }
    // The kind of the error of type E the run failed with, if it failed with one.
    template <typename E> std::optional<typename E::Kind> errorKind() const {
        std::optional<typename E::Kind> kind;
        caught<E>([&kind](const E& e) { kind = e.kind(); });
        return kind;
    }

private:
    template <typename E, typename F> bool caught(F inspect) const {
        if (!error)
            return false;
        try {
            std::rethrow_exception(error);
        } catch (const E& e) {
            inspect(e);
            return true;
        } catch (...) {
            return false;
        }
    }
};

template <typename T> using OutcomeOf = Outcome<std::conditional_t<std::is_void_v<T>, bool, T>>;

template <typename T> QCoro::Task<> collect(QCoro::Task<T> task, std::shared_ptr<OutcomeOf<T>> out) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            out->value = true;
        } else {
            out->value = co_await std::move(task);
        }
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

    // What goes on the clipboard when the application receives Ctrl+C (nothing when absent), and the process
    // that puts it there: the application itself unless a test names another one.
    std::optional<ClipboardContents> copyAnswer;
    qint64 copyAnswerPid = appPid;
    // What the application read from the clipboard when it received Ctrl+V.
    std::vector<QString> pasted;
    bool pullOnPaste = true;

    ClipboardRoad() {
        windows.setFront(windows.addWindow(appWindow, appPid, 777, QStringLiteral("Editor")));
        keys.setReceiver([this](SyntheticKey key) {
            if (key == SyntheticKey::copy && copyAnswer)
                pasteboard.setForeignClipboard(*copyAnswer, copyAnswerPid);
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

    // Starts the task and runs the event loop until it first waits.
    template <typename T, typename Start>
    std::pair<std::shared_ptr<OutcomeOf<T>>, TaskHandle> start(Start startTask) {
        auto out = std::make_shared<OutcomeOf<T>>();
        TaskHandle handle = spawn(&context, lcClipboard(), [out, startTask](CancellationToken token) {
            return collect<T>(startTask(token), out);
        });
        drainEventLoop();
        return {out, handle};
    }
};

} // namespace tolvane::testing
