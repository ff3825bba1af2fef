#include "platform/permission_service.h"
#include "platform/process_info.h"
#include "platform/screen_mapping.h"
#include "platform/terminal_classes.h"
#include "workflow/permission_helpers.h"

#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

SessionInfo sessionFrom(SessionEnvironment environment, int xiMinor = 2, bool xtest = true) {
    SessionInfo info;
    info.kind = classifySession(environment);
    if (info.kind == SessionKind::x11) {
        info.extensions.xtest = xtest;
        info.extensions.xinputMajor = xiMinor < 0 ? 0 : 2;
        info.extensions.xinputMinor = xiMinor < 0 ? 0 : xiMinor;
    }
    return info;
}

TEST(SessionPermissions, X11GrantsEverythingAndSaysWhy) {
    const PermissionService service(sessionFrom({QStringLiteral("x11"), {}, true}));
    for (PermissionKind kind :
         {PermissionKind::accessibility, PermissionKind::inputMonitoring, PermissionKind::screenRecording}) {
        const PermissionStatus status = service.state(kind);
        EXPECT_EQ(status.state, PermissionState::granted);
        EXPECT_FALSE(status.reason.isEmpty());
        EXPECT_EQ(service.request(kind).outcome, PermissionRequestOutcome::notNeeded);
    }
    EXPECT_TRUE(AccessibilityPermissionManager::isTrusted(service));
    EXPECT_EQ(InputMonitoringPermissionManager::accessState(service),
              InputMonitoringPermissionManager::AccessState::granted);
}

TEST(SessionPermissions, MissingExtensionsDenyOnlyWhatTheyCarry) {
    const PermissionService noXi(sessionFrom({{}, {}, true}, -1));
    EXPECT_EQ(noXi.state(PermissionKind::inputMonitoring).state, PermissionState::denied);
    EXPECT_EQ(noXi.state(PermissionKind::accessibility).state, PermissionState::granted);
    EXPECT_EQ(noXi.state(PermissionKind::screenRecording).state, PermissionState::granted);
    EXPECT_EQ(noXi.request(PermissionKind::inputMonitoring).outcome, PermissionRequestOutcome::unavailable);

    const PermissionService xi20(sessionFrom({{}, {}, true}, 0));
    EXPECT_EQ(xi20.state(PermissionKind::inputMonitoring).state, PermissionState::denied)
        << "raw events need 2.1";

    const PermissionService noXTest(sessionFrom({{}, {}, true}, 2, false));
    EXPECT_TRUE(noXTest.state(PermissionKind::accessibility).reason.contains(QStringLiteral("XTEST")));
}

TEST(SessionPermissions, WaylandAndNoDisplayGrantNothing) {
    const std::vector<SessionEnvironment> environments = {
        {QStringLiteral("wayland"), {}, true}, // XWayland: the X connection succeeds
        {QStringLiteral("x11"), QStringLiteral("wayland-0"), true},
        {{}, {}, false},
    };
    for (const SessionEnvironment& environment : environments) {
        const PermissionService service(sessionFrom(environment));
        for (PermissionKind kind : {PermissionKind::accessibility, PermissionKind::inputMonitoring,
                                    PermissionKind::screenRecording}) {
            const PermissionStatus status = service.state(kind);
            EXPECT_EQ(status.state, PermissionState::denied);
            EXPECT_FALSE(status.reason.isEmpty());
            EXPECT_EQ(service.request(kind).outcome, PermissionRequestOutcome::unavailable);
            EXPECT_FALSE(service.request(kind).explanation.isEmpty());
        }
    }
    EXPECT_EQ(classifySession({{}, {}, false}), SessionKind::none);
    EXPECT_TRUE(PermissionService(sessionFrom({{}, {}, false}))
                    .state(PermissionKind::accessibility)
                    .reason.contains(QStringLiteral("X11")));
}

TEST(SessionPermissions, SettingsLinksAndProbeDoNothing) {
    EXPECT_FALSE(openPrivacySettingsPane(privacyAccessibilityAnchor));
    EXPECT_FALSE(openPrivacySettingsPane(privacyListenEventAnchor));
    registerInputMonitoringProbe();
    EXPECT_EQ(
        InputMonitoringPermissionManager::toString(InputMonitoringPermissionManager::AccessState::unknown),
        QStringLiteral("unknown"));
}

TEST(EventMask, SetsOneBitPerTypeAndSkipsTypesBeyondTheMask) {
    EXPECT_EQ(eventMask({1, 6, 2, 3}), 78u);
    EXPECT_EQ(eventMask({10, 11, 12}), 0x1C00u);
    EXPECT_EQ(eventMask({64, 10, 200, 63}), 0x400u | (uint64_t(1) << 63));
    EXPECT_EQ(eventMask({}), 0u);
}

TEST(ProcessInfo, StartTimeIsFieldTwentyTwoCountedAfterTheLastParenthesis) {
    // A command name with spaces and parentheses must not shift the fields.
    const QByteArray stat = "1234 (evil) (name 1 2 3) S 1 1234 1234 0 -1 4194560 100 0 0 0 5 3 0 0 20 0 1 0 "
                            "987654 12345678 300 18446744073709551615\n";
    EXPECT_EQ(parseProcessStartTime(stat), 987654u);
    EXPECT_EQ(parseProcessStartTime("1234 (short) S 1 2"), std::nullopt);
    EXPECT_EQ(parseProcessStartTime("no parenthesis"), std::nullopt);

    const qint64 self = QCoreApplication::applicationPid();
    ASSERT_TRUE(processStartTime(self).has_value());
    EXPECT_TRUE(isProcessRunning(self));
    EXPECT_FALSE(processStartTime(-5).has_value());

    QProcess child;
    child.start(QStringLiteral("true"), {});
    ASSERT_TRUE(child.waitForFinished());
    EXPECT_FALSE(isProcessRunning(child.processId()));
}

TEST(TerminalClasses, MatchInstanceOrClassIgnoringCase) {
    EXPECT_TRUE(isTerminalWindowClass(QStringLiteral("xterm"), QStringLiteral("XTerm")));
    EXPECT_TRUE(
        isTerminalWindowClass(QStringLiteral("gnome-terminal-server"), QStringLiteral("Gnome-terminal")));
    EXPECT_TRUE(isTerminalWindowClass({}, QStringLiteral("Alacritty")));
    EXPECT_TRUE(isTerminalWindowClass(QStringLiteral("urxvt"), {}));
    EXPECT_FALSE(isTerminalWindowClass(QStringLiteral("kate"), QStringLiteral("kate")));
    EXPECT_FALSE(isTerminalWindowClass({}, {}));
}

TEST(ScreenMapping, NativePixelsBecomeLogicalThroughTheScreenHoldingThem) {
    // A 2x screen at the origin and a 1x screen to its right.
    const std::vector<ScreenMapping> screens = {
        {QRect(0, 0, 3840, 2160), QRectF(0, 0, 1920, 1080), 2.0},
        {QRect(3840, 0, 1920, 1080), QRectF(1920, 0, 1920, 1080), 1.0},
    };
    EXPECT_EQ(nativeToLogical(QRect(200, 100, 80, 40), screens), QRectF(100, 50, 40, 20));
    EXPECT_EQ(nativeToLogical(QRect(3840 + 100, 30, 10, 10), screens), QRectF(2020, 30, 10, 10));
    EXPECT_EQ(nativeToLogical(QRect(200, 100, 0, 40), screens), std::nullopt);
    EXPECT_EQ(nativeToLogical(QRect(9000, 9000, 5, 5), screens), std::nullopt);
}

} // namespace
} // namespace tolvane
