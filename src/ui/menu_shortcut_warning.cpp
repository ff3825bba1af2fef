#include "ui/menu_shortcut_warning.h"

#include "model/key_table.h"

#include <algorithm>
#include <array>

namespace tolvane {

namespace {

// Return, keypad Enter, Tab, Space, Backspace, Delete, Insert, Home, End, Page Up, Page Down and the arrows.
constexpr std::array<uint32_t, 15> editingKeyCodes{36,  76,  48,  49,  51,  117, 114, 115,
                                                   119, 116, 121, 123, 124, 125, 126};
// The keys applications and window managers take with Alt alone: the arrows (back and forward), Home,
// End, Page Up, Page Down, Tab (window switching), Backspace, Delete, Return, keypad Enter, F4 (closing
// the window) and Space (the window menu).
constexpr std::array<uint32_t, 15> altKeyCodes{123, 124, 125, 126, 115, 119, 116, 121,
                                               48,  51,  117, 36,  76,  118, 49};
// F1 to F12: with Ctrl+Alt the X server switches to a virtual terminal and no application sees the chord.
constexpr std::array<uint32_t, 12> terminalSwitchKeyCodes{122, 120, 99,  118, 96,  97,
                                                          98,  100, 101, 109, 103, 111};
constexpr uint32_t tabKeyCode = 48;

bool isEditingKey(uint32_t keyCode) {
    return std::find(editingKeyCodes.begin(), editingKeyCodes.end(), keyCode) != editingKeyCodes.end();
}

// A letter key by its position, whatever layout is active: Alt with a letter opens menus. (A Latin-1
// keysym is its character.)
bool isLetterKey(uint32_t keyCode) {
    const KeyTableRow* row = KeyTable::byCode(keyCode);
    return row && row->keysym >= 'a' && row->keysym <= 'z';
}

bool isAltKey(uint32_t keyCode) {
    return isLetterKey(keyCode) ||
           std::find(altKeyCodes.begin(), altKeyCodes.end(), keyCode) != altKeyCodes.end();
}

} // namespace

std::optional<QString> commonShortcutRefusal(const AppShortcut& shortcut) {
    if (shortcut.pressCount != 1)
        return std::nullopt;
    const uint8_t modifiers = shortcut.modifiers.rawValue() & 0x0F;
    const bool ctrlOnly = modifiers == ShortcutModifiers::command;
    const bool ctrlShift = modifiers == (ShortcutModifiers::command | ShortcutModifiers::shift);
    if ((ctrlOnly || ctrlShift) && isEditingKey(shortcut.keyCode))
        return editingShortcutWarning;
    if (ctrlOnly)
        return menuShortcutWarning;
    if (modifiers == ShortcutModifiers::shift)
        return shiftShortcutWarning;
    if (modifiers == ShortcutModifiers::option && isAltKey(shortcut.keyCode))
        return altShortcutWarning;
    // Alt+Shift+Tab switches windows backwards.
    if (modifiers == (ShortcutModifiers::option | ShortcutModifiers::shift) && shortcut.keyCode == tabKeyCode)
        return altShortcutWarning;
    if (modifiers == (ShortcutModifiers::command | ShortcutModifiers::option) &&
        std::find(terminalSwitchKeyCodes.begin(), terminalSwitchKeyCodes.end(), shortcut.keyCode) !=
            terminalSwitchKeyCodes.end())
        return terminalSwitchShortcutWarning;
    return std::nullopt;
}

} // namespace tolvane
