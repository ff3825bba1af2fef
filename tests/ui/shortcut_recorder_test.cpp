// The recorder's key rules and the shared check that stores a recorded shortcut.
#include "core/clock.h"
#include "model/app_settings.h"
#include "model/shortcut_errors.h"
#include "platform/memory/memory_key_value_store.h"
#include "ui/menu_shortcut_warning.h"
#include "ui/shortcut_assignment.h"
#include "ui/shortcut_recorder_keys.h"

#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

using Kind = RecorderAction::Kind;

TEST(RecorderKeys, RulesTable) {
    const auto ctrl = Qt::ControlModifier;
    const auto alt = Qt::AltModifier;
    const auto shift = Qt::ShiftModifier;
    struct Row {
        const char* name;
        RecorderKeyInput input;
        Kind kind;
        AppShortcut shortcut;
        QString message;
    };
    const std::vector<Row> rows{
        {"Ctrl alone", {Qt::Key_Control, ctrl, 0xffe3, 0xffe3}, Kind::ignore, {}, {}},
        {"Caps Lock alone", {Qt::Key_CapsLock, {}, 0xffe5, 0xffe5}, Kind::ignore, {}, {}},
        {"Escape", {Qt::Key_Escape, {}, 0xff1b, 0xff1b}, Kind::cancel, {}, {}},
        {"Backspace", {Qt::Key_Backspace, {}, 0xff08, 0xff08}, Kind::clear, {}, {}},
        {"Delete", {Qt::Key_Delete, {}, 0xffff, 0xffff}, Kind::clear, {}, {}},
        {"bare letter", {Qt::Key_A, {}, 'a', 'A'}, Kind::invalid, {}, recorderModifierMessage},
        {"bare space", {Qt::Key_Space, {}, ' ', ' '}, Kind::invalid, {}, recorderModifierMessage},
        {"Print has no row",
         {Qt::Key_Print, ctrl, 0xff61, 0xff61},
         Kind::invalid,
         {},
         recorderUnusableKeyMessage},
        {"F5", {Qt::Key_F5, {}, 0xffc2, 0xffc2}, Kind::record, {96, ShortcutModifiers(0), {}, 1}, {}},
        {"Ctrl+Alt+Y",
         {Qt::Key_Y, ctrl | alt, 'y', 'Y'},
         Kind::record,
         {16, ShortcutModifiers(10), "y", 1},
         {}},
        // Caps Lock on: Qt reports "T", the keymap's level 0 is still "t".
        {"Ctrl+Alt+T, Caps on",
         {Qt::Key_T, ctrl | alt, 't', 'T'},
         Kind::record,
         {17, ShortcutModifiers(10), "t", 1},
         {}},
        {"Shift+Escape records",
         {Qt::Key_Escape, shift, 0xff1b, 0xff1b},
         Kind::record,
         {53, ShortcutModifiers(4), {}, 1},
         {}},
        {"Ctrl+Backspace records",
         {Qt::Key_Backspace, ctrl, 0xff08, 0xff08},
         Kind::record,
         {51, ShortcutModifiers(8), {}, 1},
         {}},
        {"Super+Shift+K",
         {Qt::Key_K, Qt::MetaModifier | shift, 'k', 'K'},
         Kind::record,
         {40, ShortcutModifiers(5), "k", 1},
         {}},
        // Under Wayland (no keymap there) every chord says why; Escape still cancels.
        {"Wayland: Ctrl+Alt+T",
         {Qt::Key_T, ctrl | alt, 0, 0, true},
         Kind::invalid,
         {},
         recorderWaylandMessage},
        {"Wayland: bare F5", {Qt::Key_F5, {}, 0, 0, true}, Kind::invalid, {}, recorderWaylandMessage},
        {"Wayland: Escape", {Qt::Key_Escape, {}, 0, 0, true}, Kind::cancel, {}, {}},
        {"Wayland: Shift alone", {Qt::Key_Shift, shift, 0, 0, true}, Kind::ignore, {}, {}},
    };
    for (const Row& row : rows) {
        const RecorderAction action = recorderAction(row.input);
        EXPECT_EQ(action.kind, row.kind) << row.name;
        EXPECT_EQ(action.message, row.message) << row.name;
        if (row.kind == Kind::record)
            EXPECT_EQ(action.shortcut, row.shortcut) << row.name << " got " << action.shortcut.keyCode;
    }
}

// Chords editors, terminals, shells, browsers and desktops use are refused with the modifier to add or the
// program that uses them; a chord with one more modifier, or pressed twice, is left to the desktop's own
// check.
TEST(CommonShortcutRefusal, RefusesChordsOtherApplicationsUse) {
    constexpr uint8_t super = ShortcutModifiers::control;
    constexpr uint8_t alt = ShortcutModifiers::option;
    constexpr uint8_t shift = ShortcutModifiers::shift;
    constexpr uint8_t ctrl = ShortcutModifiers::command;
    const auto chord = [](uint32_t keyCode, uint8_t modifiers, int presses = 1) {
        return AppShortcut{keyCode, ShortcutModifiers(modifiers), {}, presses};
    };
    const struct {
        const char* name;
        AppShortcut shortcut;
        std::optional<QString> refusal;
    } rows[] = {
        {"Ctrl+T", chord(17, ctrl), menuShortcutWarning},
        {"Ctrl+Left", chord(123, ctrl), editingShortcutWarning},
        {"Ctrl+Shift+End", chord(119, ctrl | shift), editingShortcutWarning},
        {"Shift+Left", chord(123, shift), shiftShortcutWarning},
        {"Shift+Right", chord(124, shift), shiftShortcutWarning},
        {"Shift+Home", chord(115, shift), shiftShortcutWarning},
        {"Shift+End", chord(119, shift), shiftShortcutWarning},
        {"Shift+Insert", chord(114, shift), shiftShortcutWarning},
        {"Shift+A", chord(0, shift), shiftShortcutWarning},
        {"Shift+F5", chord(96, shift), shiftShortcutWarning},
        {"Alt+Left", chord(123, alt), altShortcutWarning},
        {"Alt+Right", chord(124, alt), altShortcutWarning},
        {"Alt+Up", chord(126, alt), altShortcutWarning},
        {"Alt+Home", chord(115, alt), altShortcutWarning},
        {"Alt+End", chord(119, alt), altShortcutWarning},
        {"Alt+Page Up", chord(116, alt), altShortcutWarning},
        {"Alt+Page Down", chord(121, alt), altShortcutWarning},
        {"Alt+Tab", chord(48, alt), altShortcutWarning},
        {"Alt+Backspace", chord(51, alt), altShortcutWarning},
        {"Alt+Delete", chord(117, alt), altShortcutWarning},
        {"Alt+Return", chord(36, alt), altShortcutWarning},
        {"Alt+F4", chord(118, alt), altShortcutWarning},
        {"Alt+F", chord(3, alt), altShortcutWarning},
        {"Alt+Z", chord(6, alt), altShortcutWarning},
        {"Alt+Space", chord(49, alt), altShortcutWarning},
        {"Alt+Shift+Tab", chord(48, alt | shift), altShortcutWarning},
        {"Ctrl+Alt+F1", chord(122, ctrl | alt), terminalSwitchShortcutWarning},
        {"Ctrl+Alt+F12", chord(111, ctrl | alt), terminalSwitchShortcutWarning},
        {"Ctrl+Shift+C", chord(8, ctrl | shift), terminalClipboardShortcutWarning},
        {"Ctrl+Shift+V", chord(9, ctrl | shift), terminalClipboardShortcutWarning},
        {"Alt+1", chord(18, alt), altDigitShortcutWarning},
        {"Alt+9", chord(25, alt), altDigitShortcutWarning},
        {"Alt+0", chord(29, alt), altDigitShortcutWarning},
        {"Alt+.", chord(47, alt), lastArgumentShortcutWarning},
        {"Alt+F1", chord(122, alt), desktopFunctionKeyShortcutWarning},
        {"Alt+F2", chord(120, alt), desktopFunctionKeyShortcutWarning},
        {"Alt+F5", chord(96, alt), desktopFunctionKeyShortcutWarning},
        {"Alt+F12", chord(111, alt), desktopFunctionKeyShortcutWarning},
        {"Ctrl+Alt+Delete", chord(117, ctrl | alt), logOutShortcutWarning},
        {"Ctrl+Alt+keypad Delete", chord(65, ctrl | alt), logOutShortcutWarning},
        {"Ctrl+Alt+Backspace", chord(51, ctrl | alt), endSessionShortcutWarning},
        {"Ctrl+Alt+F13", chord(105, ctrl | alt), std::nullopt},
        {"Alt+F13", chord(105, alt), std::nullopt},
        {"Ctrl+Shift+X", chord(7, ctrl | shift), std::nullopt},
        {"Ctrl+Alt+Shift+V", chord(9, ctrl | alt | shift), std::nullopt},
        {"Ctrl+Alt+1", chord(18, ctrl | alt), std::nullopt},
        {"Alt+Shift+1", chord(18, alt | shift), std::nullopt},
        {"Alt+,", chord(43, alt), std::nullopt},
        {"Alt+Shift+Left", chord(123, alt | shift), std::nullopt},
        {"Ctrl+Alt+Left", chord(123, ctrl | alt), std::nullopt},
        {"Super+Shift+K", chord(40, super | shift), std::nullopt},
        {"Super+Left", chord(123, super), std::nullopt},
        {"Shift+Left twice", chord(123, shift, 2), std::nullopt},
        {"bare F5", chord(96, 0), std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(commonShortcutRefusal(row.shortcut), row.refusal) << row.name;
}

// Alt with any key of the digit row switches tabs in browsers and terminals: each of the ten, as the
// recorder reads it off the keymap, is refused with that reason and stored nowhere.
TEST(CommonShortcutRefusal, RefusesAltWithEveryDigit) {
    MemoryKeyValueStore defaults;
    AppSettings settings(defaults, systemClock());
    const ShortcutConfiguration before = settings.shortcuts();
    const char shifted[] = ")!@#$%^&*(";
    for (int digit = 0; digit <= 9; ++digit) {
        SCOPED_TRACE(digit);
        const RecorderAction action = recorderAction(
            {Qt::Key_0 + digit, Qt::AltModifier, uint32_t('0' + digit), uint32_t(shifted[digit])});
        ASSERT_EQ(action.kind, Kind::record);
        EXPECT_EQ(commonShortcutRefusal(action.shortcut), altDigitShortcutWarning);
        const auto outcome = ShortcutAssignment::validate(
            ShortcutAction::translateSelection, action.shortcut, settings,
            [](const AppShortcut&) { return std::nullopt; }, ShortcutAssignment::ConflictText::named);
        EXPECT_EQ(outcome.kind, ShortcutAssignment::Outcome::Kind::refused);
        EXPECT_EQ(outcome.message, altDigitShortcutWarning);
        EXPECT_EQ(settings.shortcuts(), before);
    }
}

TEST(ShortcutAssignmentTest, ChecksInOrderAndStoresOnlyAcceptedChords) {
    MemoryKeyValueStore defaults;
    AppSettings settings(defaults, systemClock());
    const AppShortcut ctrlAltY{16, ShortcutModifiers(10), "y", 1};
    const AppShortcut ctrlC{8, ShortcutModifiers(8), "c", 1};
    const AppShortcut ctrlAltK{40, ShortcutModifiers(10), "k", 1};
    const AppShortcut screenshotDefault =
        *settings.shortcuts().shortcut(ShortcutAction::screenshotTranslation);
    const AppShortcut translateDefault = *settings.shortcuts().shortcut(ShortcutAction::translateSelection);
    int probes = 0;
    const ShortcutAssignment::Availability availability = [&](const AppShortcut& shortcut) {
        ++probes;
        return shortcut == ctrlAltK ? std::optional(QStringLiteral("taken")) : std::nullopt;
    };
    using Outcome = ShortcutAssignment::Outcome::Kind;
    using Text = ShortcutAssignment::ConflictText;
    struct Row {
        const char* name;
        AppShortcut recorded;
        Text text;
        Outcome kind;
        QString message;
        int probes;
    };
    const std::vector<Row> rows{
        {"unchanged skips every check", translateDefault, Text::named, Outcome::unchanged, {}, 0},
        {"menu shortcut", ctrlC, Text::named, Outcome::refused, menuShortcutWarning, 0},
        {"Ctrl alone on a key without text", AppShortcut{96, ShortcutModifiers(8), {}, 1}, Text::named,
         Outcome::refused, menuShortcutWarning, 0},
        {"Ctrl+Backspace", AppShortcut{51, ShortcutModifiers(8), {}, 1}, Text::generic, Outcome::refused,
         editingShortcutWarning, 0},
        {"Ctrl+Tab", AppShortcut{48, ShortcutModifiers(8), {}, 1}, Text::named, Outcome::refused,
         editingShortcutWarning, 0},
        {"Ctrl+Shift+Left", AppShortcut{123, ShortcutModifiers(12), {}, 1}, Text::named, Outcome::refused,
         editingShortcutWarning, 0},
        {"Ctrl+Shift+Space", AppShortcut{49, ShortcutModifiers(12), " ", 1}, Text::named, Outcome::refused,
         editingShortcutWarning, 0},
        {"Shift+Left", AppShortcut{123, ShortcutModifiers(4), {}, 1}, Text::generic, Outcome::refused,
         shiftShortcutWarning, 0},
        {"conflict, named", screenshotDefault, Text::named, Outcome::refused,
         QStringLiteral("与“截图翻译”的快捷键冲突，请先修改其中一个。"), 0},
        {"conflict, generic", screenshotDefault, Text::generic, Outcome::refused,
         ShortcutAssignmentError(ShortcutAction::screenshotTranslation).description(), 0},
        {"desktop refuses", ctrlAltK, Text::named, Outcome::refused, QStringLiteral("taken"), 1},
        {"stored", ctrlAltY, Text::generic, Outcome::stored, {}, 1},
        {"Ctrl+Alt+Left is free to take",
         AppShortcut{123, ShortcutModifiers(10), {}, 1},
         Text::named,
         Outcome::stored,
         {},
         1},
    };
    for (const Row& row : rows) {
        probes = 0;
        const auto outcome = ShortcutAssignment::validate(ShortcutAction::translateSelection, row.recorded,
                                                          settings, availability, row.text);
        EXPECT_EQ(outcome.kind, row.kind) << row.name;
        EXPECT_EQ(outcome.message, row.message) << row.name;
        EXPECT_EQ(probes, row.probes) << row.name;
        const AppShortcut expected = row.kind == Outcome::stored ? row.recorded : translateDefault;
        EXPECT_EQ(settings.shortcuts().shortcut(ShortcutAction::translateSelection), expected) << row.name;
    }
}

} // namespace
} // namespace tolvane::testing
