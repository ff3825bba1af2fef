// Global hot keys against a real X server: presses come from xdotool, rival grabs from separate connections.
#include "platform/x11/x11_global_input.h"
#include "platform/x11/x11_input_service.h"
#include "platform/x11/x11_key_probe.h"
#include "platform/x11/x11_keymap.h"
#include "real_desktop.h"
#include "support/x11_rival_client.h"
#include "workflow/hot_key_manager.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

constexpr uint8_t kCtrlAlt = modControl | modAlt;
constexpr uint32_t kKeyY = 16;
constexpr uint32_t kKeyC = 8;

class HotKeyX11Test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.isConnected()); }

    HotKeyManager::Handlers counting() {
        HotKeyManager::Handlers handlers;
        for (ShortcutAction action : allShortcutActions)
            handlers[action] = [this, action] { ++calls[action]; };
        return handlers;
    }
    // Waits for `count` calls of the action, then a little longer to catch extra ones.
    int settle(ShortcutAction action, int count) {
        QTest::qWaitFor([&] { return calls[action] >= count; }, 3000);
        QTest::qWait(300);
        return calls[action];
    }

    X11InputService service;
    X11GlobalInput input{service, SessionKind::x11};
    HotKeyManager manager{input};
    std::map<ShortcutAction, int> calls;
};

TEST_F(HotKeyX11Test, DefaultChordsFireOncePerPressWhateverTheLockKeysAndAutoRepeat) {
    ASSERT_TRUE(manager.registerShortcuts(ShortcutConfiguration::defaultShortcuts(), counting()).empty());
    xdotool({"key", "ctrl+alt+t"});
    EXPECT_EQ(settle(ShortcutAction::translateSelection, 1), 1);
    xdotool({"key", "ctrl+alt+o"});
    EXPECT_EQ(settle(ShortcutAction::openTranslationWindow, 1), 1);

    xdotool({"key", "Num_Lock"});
    xdotool({"key", "ctrl+alt+t"});
    EXPECT_EQ(settle(ShortcutAction::translateSelection, 2), 2);
    xdotool({"key", "Num_Lock", "Caps_Lock"});
    xdotool({"key", "ctrl+alt+t"});
    EXPECT_EQ(settle(ShortcutAction::translateSelection, 3), 3);
    xdotool({"key", "Caps_Lock"});

    // Held for 1.2 s: the server repeats the key, the handler runs once.
    xdotool({"keydown", "ctrl+alt+s", "sleep", "1.2", "keyup", "ctrl+alt+s"});
    EXPECT_EQ(settle(ShortcutAction::screenshotTranslation, 1), 1);
    // And the next physical press fires again.
    xdotool({"key", "ctrl+alt+s"});
    EXPECT_EQ(settle(ShortcutAction::screenshotTranslation, 2), 2);
}

TEST_F(HotKeyX11Test, ChordHeldByAnotherClientIsReportedAndOurPartialGrabRolledBack) {
    std::map<ShortcutAction, HotKeyError> failures;
    {
        RivalClient rival;
        ASSERT_EQ(rival.grab({XK_s, kCtrlAlt}), 0);
        failures = manager.registerShortcuts(ShortcutConfiguration::defaultShortcuts(), counting());
    }
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures.at(ShortcutAction::screenshotTranslation).kind(), HotKeyError::Kind::registerFailed);
    EXPECT_EQ(failures.at(ShortcutAction::screenshotTranslation).code(), 10);
    xdotool({"key", "ctrl+alt+x"});
    EXPECT_EQ(settle(ShortcutAction::screenshotRecognition, 1), 1);

    RivalClient third;
    EXPECT_EQ(third.grab({XK_s, kCtrlAlt}), 0);
}

TEST_F(HotKeyX11Test, ProbeNeverDisturbsOurGrabsAndDuplicatesAreRefused) {
    ASSERT_TRUE(manager.registerShortcuts(ShortcutConfiguration::defaultShortcuts(), counting()).empty());
    const auto ours = HotKeyManager::probeShortcutAvailability(
        *ShortcutConfiguration::defaultShortcuts().shortcut(ShortcutAction::translateSelection));
    ASSERT_TRUE(ours);
    EXPECT_EQ(ours->code(), 10);
    xdotool({"key", "ctrl+alt+t"});
    EXPECT_EQ(settle(ShortcutAction::translateSelection, 1), 1);

    const AppShortcut free{
        kKeyY, {ShortcutModifiers::option, ShortcutModifiers::command}, QStringLiteral("y"), 1};
    EXPECT_FALSE(HotKeyManager::probeShortcutAvailability(free));
    EXPECT_EQ(RivalClient().grab({XK_y, kCtrlAlt}), 0);

    // Another owner inside this process asks for a chord we hold: refused, ours keeps firing.
    EXPECT_EQ(input.grabKey({XK_t, kCtrlAlt}, {fourCharCode("OCRE"), 1}), kHotKeyExistsStatus);
    xdotool({"key", "ctrl+alt+t"});
    EXPECT_EQ(settle(ShortcutAction::translateSelection, 2), 2);
}

TEST_F(HotKeyX11Test, ReRegistrationLeavesNoStaleGrab) {
    manager.registerShortcuts(ShortcutConfiguration::defaultShortcuts(), counting());
    ASSERT_TRUE(manager.registerShortcuts(ShortcutConfiguration::defaultShortcuts(), counting()).empty());
    xdotool({"key", "ctrl+alt+t"});
    EXPECT_EQ(settle(ShortcutAction::translateSelection, 1), 1);

    ShortcutConfiguration moved = ShortcutConfiguration::defaultShortcuts();
    moved.setShortcut(ShortcutAction::translateSelection,
                      AppShortcut{kKeyY, {ShortcutModifiers::option, ShortcutModifiers::command}, "y", 1});
    ASSERT_TRUE(manager.registerShortcuts(moved, counting()).empty());
    EXPECT_EQ(RivalClient().grab({XK_t, kCtrlAlt}), 0);
    xdotool({"key", "ctrl+alt+y"});
    EXPECT_EQ(settle(ShortcutAction::translateSelection, 2), 2);
}

TEST_F(HotKeyX11Test, DoublePressFromTheRawStreamAndInjectedKeysNeverCount) {
    ShortcutConfiguration config = ShortcutConfiguration::defaultShortcuts();
    config.setShortcut(ShortcutAction::translateSelection,
                       AppShortcut{kKeyC, ShortcutModifiers{ShortcutModifiers::command}, "c", 2});
    ASSERT_TRUE(manager.registerShortcuts(config, counting()).empty());
    xdotool({"key", "ctrl+c", "ctrl+c"});
    EXPECT_EQ(settle(ShortcutAction::translateSelection, 1), 1);
    xdotool({"key", "ctrl+c"});
    QTest::qWait(900);
    xdotool({"key", "ctrl+c"});
    EXPECT_EQ(settle(ShortcutAction::translateSelection, 2), 1);

    // Our own synthetic Ctrl+C, announced before it is sent, is not the user's press.
    const X11Keymap keymap = X11Keymap::read(service.connection());
    QTest::qWait(800);
    xdotool({"key", "ctrl+c"});
    QTest::qWait(100);
    service.announceInjection({*keymap.keycodeFor(XK_Control_L), *keymap.keycodeFor(XK_c)});
    xdotool({"key", "ctrl+c"});
    EXPECT_EQ(settle(ShortcutAction::translateSelection, 2), 1);
}

} // namespace
} // namespace tolvane::testing
