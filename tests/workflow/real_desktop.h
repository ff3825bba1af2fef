#pragma once

// The real desktop stack over the test session's X server, and the external tools x11 tests drive it with.

#include "clipboard_road_fixture.h"
#include "platform/atspi/atspi_accessibility_backend.h"
#include "platform/permission_service.h"
#include "platform/screen_mapping.h"
#include "platform/x11/x11_input_service.h"
#include "platform/x11/x11_pasteboard_backend.h"
#include "platform/x11/x11_selection_transfer.h"
#include "platform/x11/x11_window_system.h"
#include "platform/x11/xtest_key_injector.h"
#include "workflow/selection_reader.h"

#include <QCursor>
#include <QProcess>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace tolvane::testing {

struct RealDesktop {
    X11InputService service;
    X11PasteboardBackend pasteboard{service};
    XTestKeyInjector keys{service};
    X11WindowSystem windows{service};
    AtspiAccessibilityBackend accessibility;
    ClipboardManager clipboard{pasteboard, keys, windows, systemClock()};
    PermissionService permissions{currentSession()};
    SelectionReader reader{SelectionReader::Services{clipboard, pasteboard, accessibility, windows,
                                                     permissions, [] { return QCursor::pos(); },
                                                     currentScreenMappings}};
    QObject taskContext;

    // Runs the task while the event loop turns, up to `timeoutMs`.
    template <typename T>
    std::shared_ptr<OutcomeOf<T>> run(std::function<QCoro::Task<T>(CancellationToken)> body,
                                      int timeoutMs = 8000) {
        auto out = std::make_shared<OutcomeOf<T>>();
        spawn(&taskContext, lcClipboard(),
              [out, body](CancellationToken token) { return collect<T>(body(token), out); });
        (void)QTest::qWaitFor([&] { return out->done; }, timeoutMs);
        return out;
    }

    bool bringToFront(quint32 window) {
        windows.activate(window);
        return QTest::qWaitFor(
            [&] {
                const auto front = windows.frontmost();
                return front && front->target.window == window;
            },
            5000);
    }
};

// Reads CLIPBOARD in `target` format over `service`, a connection other than the owner's, so an owner in this
// process must answer while the event loop runs.
inline std::optional<QByteArray> readClipboardAsAnotherClient(X11InputService& service, QObject& context,
                                                              const char* target = "UTF8_STRING") {
    using namespace std::chrono_literals;
    auto out = std::make_shared<Outcome<std::optional<QByteArray>>>();
    QPointer<X11InputService> weak(&service);
    const xcb_atom_t clipboard = service.atom("CLIPBOARD");
    const xcb_atom_t atom = service.atom(target);
    spawn(&context, lcClipboard(), [=](CancellationToken token) {
        return collect<std::optional<QByteArray>>(
            convertSelection(weak, &systemClock(), clipboard, atom, 2000ms, 1 << 26, token), out);
    });
    (void)QTest::qWaitFor([&] { return out->done; }, 5000);
    return out->value ? *out->value : std::nullopt;
}

// CLIPBOARD as another client sees it: the TARGETS answer as names, in order, and the bytes of every content
// target (absent where refused).
struct ClipboardCensus {
    QStringList targets;
    std::vector<std::optional<QByteArray>> data;
    friend bool operator==(const ClipboardCensus&, const ClipboardCensus&) = default;
};

inline ClipboardCensus clipboardCensus(X11InputService& service, QObject& context) {
    ClipboardCensus census;
    const std::optional<QByteArray> raw = readClipboardAsAnotherClient(service, context, "TARGETS");
    if (!raw)
        return census;
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(raw->constData());
    for (qsizetype i = 0; i < raw->size() / qsizetype(sizeof(xcb_atom_t)); ++i)
        census.targets.append(service.atomName(atoms[i]));
    for (const QString& target : census.targets)
        if (!isTransferTarget(target))
            census.data.push_back(
                readClipboardAsAnotherClient(service, context, target.toUtf8().constData()));
    return census;
}

// Runs xdotool while this process keeps handling its X events, as it would while a user types or drags.
inline QString xdotool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    EXPECT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace tolvane::testing
