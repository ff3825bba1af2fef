#include "model/key_table.h"
#include "platform/x11/key_resolver.h"

#include <gtest/gtest.h>

// Xlib last: its macros (None, Bool, ...) clash with other headers.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace tolvane {
namespace {

class KeyResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        display = XOpenDisplay(nullptr);
        ASSERT_TRUE(display) << "needs the X server of the test session";
    }
    void TearDown() override {
        if (display)
            XCloseDisplay(display);
    }
    Display* display = nullptr;
};

// Every stored key grabs a real key, and pressing that key records the same stored key: the two directions
// agree, so a recorded shortcut grabs what was pressed.
TEST_F(KeyResolverTest, EveryRowResolvesToAKeyThatMapsBack) {
    const KeyResolver resolver(display);
    for (const KeyTableRow& row : KeyTable::rows()) {
        const uint32_t keycode = resolver.keycodeFor(row.xkbName, row.keysym);
        ASSERT_NE(keycode, 0u) << row.xkbName;
        const KeyResolver::KeyFacts facts = resolver.describe(keycode);
        const KeyTableRow* back =
            KeyTable::forPressedKey(facts.level0Keysym, facts.level1Keysym, facts.xkbName);
        ASSERT_TRUE(back) << row.xkbName;
        EXPECT_EQ(back->keyCode, row.keyCode) << row.xkbName << " -> keycode " << keycode;
    }
}

TEST_F(KeyResolverTest, PositionWinsOverTheFirstKeyCarryingTheKeysym) {
    const KeyResolver resolver(display);
    // F13 carries no XK_F13 in the usual keymap: found through its name.
    const KeyTableRow* f13 = KeyTable::byCode(105);
    const uint32_t f13Key = resolver.keycodeFor(f13->xkbName, f13->keysym);
    EXPECT_EQ(resolver.describe(f13Key).xkbName, QByteArray("FK13"));
    // The keypad decimal is KPDL, not the first key that happens to carry KP_Decimal.
    const KeyTableRow* decimal = KeyTable::byCode(65);
    EXPECT_EQ(resolver.describe(resolver.keycodeFor(decimal->xkbName, decimal->keysym)).xkbName,
              QByteArray("KPDL"));
    // No name and no keysym: nothing to grab, never AnyKey.
    EXPECT_EQ(resolver.keycodeFor("ZZZZ", XK_VoidSymbol), 0u);
    EXPECT_EQ(resolver.keycodeFor("", 0), 0u);
    EXPECT_TRUE(resolver.describe(0).xkbName.isEmpty());
    // A keysym at an unexpected position is still found by label (as on a layout that moves the key).
    EXPECT_NE(resolver.keycodeFor("ZZZZ", XK_t), 0u);
}

} // namespace
} // namespace tolvane
