#include "ui/menu_shortcut_warning.h"

#include <algorithm>
#include <span>

namespace tolvane {

namespace {

constexpr uint8_t ctrl = ShortcutModifiers::command;
constexpr uint8_t alt = ShortcutModifiers::option;
constexpr uint8_t shift = ShortcutModifiers::shift;

// Keys by their position, whatever layout is active.
// Return, keypad Enter, Tab, Space, Backspace, Delete, Insert, Home, End, Page Up, Page Down and the arrows.
constexpr uint32_t editingKeys[]{36, 76, 48, 49, 51, 117, 114, 115, 119, 116, 121, 123, 124, 125, 126};
// What applications and window managers take with Alt alone: the arrows (back and forward), Home, End,
// Page Up, Page Down, Tab (window switching), Backspace, Delete, Return, keypad Enter, F4 (closing the
// window) and Space (the window menu).
constexpr uint32_t altNavigationKeys[]{123, 124, 125, 126, 115, 119, 116, 121, 48, 51, 117, 36, 76, 118, 49};
// A to Z: Alt with a letter opens menus.
constexpr uint32_t letterKeys[]{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  11, 12, 13,
                                14, 15, 16, 17, 31, 32, 34, 35, 37, 38, 40, 45, 46};
// 0 to 9 of the digit row.
constexpr uint32_t digitKeys[]{29, 18, 19, 20, 21, 23, 22, 26, 28, 25};
constexpr uint32_t functionKeys1To12[]{122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
constexpr uint32_t copyPasteKeys[]{8, 9}; // C, V
constexpr uint32_t periodKey[]{47};
constexpr uint32_t tabKey[]{48};
constexpr uint32_t deleteKeys[]{117, 65}; // Delete, keypad Delete
constexpr uint32_t backspaceKey[]{51};
constexpr std::span<const uint32_t> anyKey;

// Chords with exactly `modifiers` and one of `keys` (any key for anyKey), pressed once.
struct RefusedChords {
    uint8_t modifiers;
    std::span<const uint32_t> keys;
    const QString* words;
};

// The first row that holds a chord gives its words.
const RefusedChords refusedChords[]{
    {ctrl, editingKeys, &editingShortcutWarning},
    {ctrl | shift, editingKeys, &editingShortcutWarning},
    {ctrl, anyKey, &menuShortcutWarning},
    {ctrl | shift, copyPasteKeys, &terminalClipboardShortcutWarning},
    {shift, anyKey, &shiftShortcutWarning},
    {alt, altNavigationKeys, &altShortcutWarning},
    {alt, letterKeys, &altShortcutWarning},
    {alt, digitKeys, &altDigitShortcutWarning},
    {alt, periodKey, &lastArgumentShortcutWarning},
    {alt, functionKeys1To12, &desktopFunctionKeyShortcutWarning},
    // Alt+Shift+Tab switches windows backwards.
    {alt | shift, tabKey, &altShortcutWarning},
    // The X server switches virtual terminals on these; no application sees them.
    {ctrl | alt, functionKeys1To12, &terminalSwitchShortcutWarning},
    {ctrl | alt, deleteKeys, &logOutShortcutWarning},
    {ctrl | alt, backspaceKey, &endSessionShortcutWarning},
};

bool holds(const RefusedChords& row, uint8_t modifiers, uint32_t keyCode) {
    return row.modifiers == modifiers &&
           (row.keys.empty() || std::find(row.keys.begin(), row.keys.end(), keyCode) != row.keys.end());
}

} // namespace

std::optional<QString> commonShortcutRefusal(const AppShortcut& shortcut) {
    if (shortcut.pressCount != 1)
        return std::nullopt;
    const uint8_t modifiers = shortcut.modifiers.rawValue() & 0x0F;
    for (const RefusedChords& row : refusedChords) {
        if (holds(row, modifiers, shortcut.keyCode))
            return *row.words;
    }
    return std::nullopt;
}

std::optional<QString> storedShortcutNotice(const AppShortcut& shortcut) {
    const std::optional<QString> refusal = commonShortcutRefusal(shortcut);
    if (!refusal)
        return std::nullopt;
    return QStringLiteral("其他程序也使用这个组合键。%1").arg(*refusal);
}

} // namespace tolvane
