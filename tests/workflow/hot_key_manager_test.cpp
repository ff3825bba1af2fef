#include "fake_global_input.h"
#include "support/virtual_clock.h"
#include "workflow/hot_key_manager.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

constexpr uint32_t kKeyC = 8;
const ShortcutModifiers kCommand{ShortcutModifiers::command};

ShortcutConfiguration withDoubleCopy() {
    ShortcutConfiguration config = ShortcutConfiguration::defaultShortcuts();
    config.setShortcut(ShortcutAction::translateSelection,
                       AppShortcut{kKeyC, kCommand, QStringLiteral("c"), 2});
    return config;
}

class HotKeyManagerTest : public ::testing::Test {
protected:
    HotKeyManager::Handlers countingHandlers() {
        HotKeyManager::Handlers handlers;
        for (ShortcutAction action : allShortcutActions)
            handlers[action] = [this, action] { ++calls[action]; };
        return handlers;
    }
    void pressCtrlC(uint8_t extra = 0) { input.rawKey(XK_c, uint8_t(modControl | extra)); }

    FakeGlobalInput input;
    VirtualClock clock;
    HotKeyManager manager{input, clock};
    std::map<ShortcutAction, int> calls;
};

TEST_F(HotKeyManagerTest, DefaultsGrabCtrlAltChordsAndDispatchByOwnerTagAndId) {
    EXPECT_TRUE(
        manager.registerShortcuts(ShortcutConfiguration::defaultShortcuts(), countingHandlers()).empty());
    ASSERT_EQ(input.grabs.size(), 4u);
    const KeyChord translate = input.grabs.at({HotKeyManager::hotKeySignature, 1});
    EXPECT_EQ(translate, (KeyChord{XK_t, uint8_t(modControl | modAlt)}));

    EXPECT_TRUE(input.press({HotKeyManager::hotKeySignature, 2}));
    EXPECT_EQ(calls[ShortcutAction::screenshotTranslation], 1);
    // Another owner's tag, or an id outside 1..4, is passed on and calls nothing.
    EXPECT_FALSE(input.press({fourCharCode("OCRE"), 1}));
    EXPECT_FALSE(input.press({HotKeyManager::hotKeySignature, 5}));
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(HotKeyManagerTest, ReRegistrationReplacesGrabsAndRefusedChordsAreReported) {
    manager.registerShortcuts(ShortcutConfiguration::defaultShortcuts(), countingHandlers());
    manager.registerShortcuts(ShortcutConfiguration::defaultShortcuts(), countingHandlers());
    EXPECT_EQ(input.grabs.size(), 4u);
    EXPECT_TRUE(input.press({HotKeyManager::hotKeySignature, 1}));
    EXPECT_EQ(calls[ShortcutAction::translateSelection], 1);

    input.grabResults[XK_s] = 10; // another client holds Ctrl+Alt+S
    const auto failures =
        manager.registerShortcuts(ShortcutConfiguration::defaultShortcuts(), countingHandlers());
    ASSERT_EQ(failures.size(), 1u);
    const HotKeyError& error = failures.at(ShortcutAction::screenshotTranslation);
    EXPECT_EQ(error.kind(), HotKeyError::Kind::registerFailed);
    EXPECT_EQ(error.code(), 10);
    EXPECT_EQ(error.description(), QStringLiteral("快捷键可能已被系统或其他 App 占用（错误 10）。"));
    EXPECT_EQ(input.grabs.size(), 3u);

    // A key without a row in the key table cannot be grabbed: BadValue.
    ShortcutConfiguration odd;
    odd.setShortcut(ShortcutAction::openTranslationWindow,
                    AppShortcut{0xFFFF, kCommand, QStringLiteral("?"), 1});
    const auto oddFailures = manager.registerShortcuts(odd, countingHandlers());
    EXPECT_EQ(oddFailures.at(ShortcutAction::openTranslationWindow).code(), kKeyNotOnKeyboardStatus);
    EXPECT_TRUE(input.grabs.empty());
}

TEST_F(HotKeyManagerTest, UnavailableInputFailsEveryActionAndMissingRawInputOnlyRepeatedOnes) {
    input.startStatus = kWaylandStatus;
    auto failures = manager.registerShortcuts(withDoubleCopy(), countingHandlers());
    ASSERT_EQ(failures.size(), 4u);
    for (const auto& [action, error] : failures) {
        EXPECT_EQ(error.kind(), HotKeyError::Kind::installHandlerFailed);
        EXPECT_EQ(error.code(), kWaylandStatus);
    }
    EXPECT_EQ(input.grabCalls, 0);
    EXPECT_EQ(input.observerCount(), 0u);

    input.startStatus = 0;
    input.rawStatus = kNoRawInputStatus;
    failures = manager.registerShortcuts(withDoubleCopy(), countingHandlers());
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures.at(ShortcutAction::translateSelection).kind(),
              HotKeyError::Kind::installHandlerFailed);
    EXPECT_EQ(input.grabs.size(), 3u);
}

TEST_F(HotKeyManagerTest, DoublePressFiresOnlyWithinTheWindowOnTheMonotonicClock) {
    manager.registerShortcuts(withDoubleCopy(), countingHandlers());
    EXPECT_EQ(input.observerCount(), 1u);
    // The single-press actions are still grabbed; the repeated one is not.
    EXPECT_EQ(input.grabs.size(), 3u);

    pressCtrlC();
    clock.advance(500ms);
    pressCtrlC();
    clock.advance(110ms);
    EXPECT_EQ(calls[ShortcutAction::translateSelection], 0);
    clock.advance(10ms);
    EXPECT_EQ(calls[ShortcutAction::translateSelection], 1);

    // 0.8 s apart: nothing, and the second press starts a new sequence.
    clock.advance(5s);
    pressCtrlC();
    clock.advance(800ms);
    pressCtrlC();
    clock.advance(200ms);
    EXPECT_EQ(calls[ShortcutAction::translateSelection], 1);
    pressCtrlC();
    clock.advance(200ms);
    EXPECT_EQ(calls[ShortcutAction::translateSelection], 2);

    // Three quick presses: one call, the third press is a new first press.
    clock.advance(5s);
    pressCtrlC();
    clock.advance(100ms);
    pressCtrlC();
    clock.advance(100ms);
    pressCtrlC();
    clock.advance(1s);
    EXPECT_EQ(calls[ShortcutAction::translateSelection], 3);
}

TEST_F(HotKeyManagerTest, RepeatedChordMatchesModifiersExactly) {
    manager.registerShortcuts(withDoubleCopy(), countingHandlers());
    // Ctrl+Shift+C and plain C never count, nor interrupt a sequence of Ctrl+C.
    pressCtrlC(modShift);
    pressCtrlC(modShift);
    input.rawKey(XK_c, 0);
    input.rawKey(XK_c, 0);
    clock.advance(1s);
    EXPECT_EQ(calls[ShortcutAction::translateSelection], 0);

    pressCtrlC();
    input.rawKey(XK_v, modControl);
    pressCtrlC();
    clock.advance(200ms);
    EXPECT_EQ(calls[ShortcutAction::translateSelection], 1);
}

TEST_F(HotKeyManagerTest, PendingDoublePressSurvivesReRegistrationWithTheNewHandler) {
    manager.registerShortcuts(withDoubleCopy(), countingHandlers());
    pressCtrlC();
    pressCtrlC();
    int replaced = 0;
    HotKeyManager::Handlers handlers;
    handlers[ShortcutAction::translateSelection] = [&replaced] { ++replaced; };
    manager.registerShortcuts(withDoubleCopy(), handlers);
    EXPECT_EQ(input.observerCount(), 1u);
    clock.advance(200ms);
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(calls[ShortcutAction::translateSelection], 0);

    // A first press is forgotten by a new registration.
    pressCtrlC();
    manager.registerShortcuts(withDoubleCopy(), handlers);
    pressCtrlC();
    clock.advance(200ms);
    EXPECT_EQ(replaced, 1);
}

TEST_F(HotKeyManagerTest, SuspendReleasesEverythingAndResumeRestoresIt) {
    manager.registerShortcuts(withDoubleCopy(), countingHandlers());
    manager.suspend();
    EXPECT_TRUE(input.grabs.empty());
    EXPECT_EQ(input.observerCount(), 0u);
    pressCtrlC();
    pressCtrlC();
    clock.advance(1s);
    EXPECT_TRUE(calls.empty());

    EXPECT_TRUE(manager.resume().empty());
    EXPECT_EQ(input.grabs.size(), 3u);
    EXPECT_TRUE(input.press({HotKeyManager::hotKeySignature, 4}));
    EXPECT_EQ(calls[ShortcutAction::openTranslationWindow], 1);
}

TEST_F(HotKeyManagerTest, DestructionReleasesGrabsAndSubscriptions) {
    {
        HotKeyManager scoped(input, clock);
        scoped.registerShortcuts(withDoubleCopy(), countingHandlers());
        pressCtrlC();
        pressCtrlC();
        EXPECT_EQ(input.handlerCount(), 1u);
    }
    EXPECT_TRUE(input.grabs.empty());
    EXPECT_EQ(input.handlerCount(), 0u);
    EXPECT_EQ(input.observerCount(), 0u);
    clock.advance(1s); // the pending call died with its manager
    EXPECT_TRUE(calls.empty());
}

TEST(HotKeyProbeTest, OnlySinglePressesAreProbedAndFailuresCarryTheStatus) {
    int probes = 0;
    const auto taken = [&probes](KeyChord) { return ++probes, int32_t(10); };
    AppShortcut shortcut{17, {ShortcutModifiers::option, ShortcutModifiers::command}, QStringLiteral("t"), 2};
    EXPECT_FALSE(HotKeyManager::probeShortcutAvailability(shortcut, taken));
    EXPECT_EQ(probes, 0);

    shortcut.pressCount = 1;
    const auto error = HotKeyManager::probeShortcutAvailability(shortcut, taken);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), HotKeyError::Kind::registerFailed);
    EXPECT_EQ(error->code(), 10);
    EXPECT_FALSE(HotKeyManager::probeShortcutAvailability(shortcut, [](KeyChord) { return int32_t(0); }));
}

} // namespace
} // namespace tolvane::testing
