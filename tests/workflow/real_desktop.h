#pragma once

// The real desktop stack over the test session's X server, and the external tools x11 tests drive it with.

#include "clipboard_census.h"
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

    // Asked again while waiting: a request for a window the manager does not manage yet (just shown, on a
    // busy machine) is dropped.
    bool bringToFront(quint32 window) {
        return QTest::qWaitFor(
            [&] {
                const auto front = windows.frontmost();
                if (front && front->target.window == window)
                    return true;
                windows.activate(window);
                return false;
            },
            30000);
    }
};

// Runs xdotool while this process keeps handling its X events, as it would while a user types or drags.
inline QString xdotool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    EXPECT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace tolvane::testing
