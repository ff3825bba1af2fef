#include "ui/menu_shortcut_warning.h"

#include <algorithm>
#include <array>

namespace tolvane {

namespace {

// Return, keypad Enter, Tab, Space, Backspace, Delete, Insert, Home, End, Page Up, Page Down and the arrows.
constexpr std::array<uint32_t, 15> editingKeyCodes{36,  76,  48,  49,  51,  117, 114, 115,
                                                   119, 116, 121, 123, 124, 125, 126};

bool isEditingKey(uint32_t keyCode) {
    return std::find(editingKeyCodes.begin(), editingKeyCodes.end(), keyCode) != editingKeyCodes.end();
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
    return std::nullopt;
}

} // namespace tolvane
