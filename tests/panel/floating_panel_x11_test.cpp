// The floating panel under a real window manager (openbox on the test session): it shows without taking
// focus from the application in front, keeps out of the task bar and on every desktop after being hidden
// and shown again, and takes focus when asked to for typing.
#include "panel/floating_panel_controller.h"
#include "panel/result_panel_manual_body.h"
#include "panel/result_panel_view.h"
#include "panel/result_panel_window.h"
#include "result_panel_fakes.h"
#include "support/virtual_clock.h"
#include "support/x11_tools.h"
#include "ui/native_text_editor.h"
#include "workflow/helper_process.h"

#include <QTest>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

quint64 activeWindow() {
    return xdotool({QStringLiteral("getactivewindow")}).value_or(QString()).toULongLong();
}

QString property(const QStringList& arguments) {
    return x11Tool(QStringLiteral("xprop"), arguments).value_or(QString());
}
QString property(quint64 window, const QString& name) {
    return property({QStringLiteral("-id"), QString::number(window), name});
}

TEST(FloatingPanelX11, ShowsBesideTheActiveApplicationAndTakesFocusOnlyForTyping) {
    RecordingPanelWorkflow workflow;
    MemoryPanelSettings settings;
    FloatingPanelController controller(&workflow, &settings);
    controller.setCompositorProbe([] { return false; });
    HelperProcess editor(QStringLiteral(CLIPBOARD_TEST_APP),
                         {QStringLiteral("edit"), QStringLiteral("text")});
    ASSERT_TRUE(editor.isReady());
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(editor.window())});
    ASSERT_EQ(activeWindow(), editor.window());

    TranslatorPanel* panel = controller.panelWindow();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        controller.present(QRectF(600, 300, 200, 20));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
        drainEventLoop();
        // Where placed, and the other application keeps the focus.
        EXPECT_EQ(panel->geometry(), QRect(700 - 260, 320 + 14, 520, 320));
        EXPECT_EQ(activeWindow(), editor.window());
        // Out of the task bar and pager, on every desktop, above others; also after a hide and a new show,
        // although the window manager drops the states on hide.
        // A window manager keeps only the states it supports (openbox has no STICKY and shows a window on
        // all desktops by its desktop number alone).
        const QString supported = property({QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTED")});
        // Waited for: when the manager withdrew the last showing late, the states come with its next request.
        QString state;
        QTest::qWaitFor(
            [&] {
                state = property(panel->winId(), QStringLiteral("_NET_WM_STATE"));
                return state.contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR"));
            },
            20000);
        for (const char* atom : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                                 "_NET_WM_STATE_STICKY", "_NET_WM_STATE_ABOVE"}) {
            if (supported.contains(QLatin1String(atom)))
                EXPECT_TRUE(state.contains(QLatin1String(atom))) << atom << " in " << state.toStdString();
        }
        EXPECT_TRUE(state.contains(QLatin1String("_NET_WM_STATE_SKIP_TASKBAR"))) << state.toStdString();
        EXPECT_TRUE(property(panel->winId(), QStringLiteral("_NET_WM_DESKTOP"))
                        .endsWith(QLatin1String("4294967295")));
        // A normal window, not a utility one (utility windows of inactive applications get hidden).
        EXPECT_FALSE(property(panel->winId(), QStringLiteral("_NET_WM_WINDOW_TYPE"))
                         .contains(QLatin1String("UTILITY")));
        controller.hidePanel();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->isVisible(); }));
        drainEventLoop();
    }

    // Typing in manual input: the panel takes the focus and the editor has it.
    workflow.setStatus(WorkflowStatus::manualInput());
    workflow.setManual(true);
    controller.present(std::nullopt);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    controller.focusInput();
    EXPECT_TRUE(QTest::qWaitFor([&] { return activeWindow() == panel->winId(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return controller.view()->manualBody()->editor()->hasFocus(); }, 5000));
}

} // namespace
} // namespace tolvane::testing
