#include "ui/shortcut_recorder_keys.h"

#include "model/key_table.h"

#include <algorithm>

namespace tolvane {

namespace {

constexpr uint32_t escapeCode = 53;
constexpr uint32_t backspaceCode = 51;
constexpr uint32_t forwardDeleteCode = 117;

bool isModifierOrLockKey(const RecorderKeyInput& input) {
    switch (input.qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Mode_switch:
        return true;
    default:
        break;
    }
    const uint32_t keysym = input.level0Keysym;
    // Shift_L ... Hyper_R, the ISO level and lock keys, Mode_switch, Num_Lock, Scroll_Lock.
    return (keysym >= 0xffe1 && keysym <= 0xffee) || (keysym >= 0xfe01 && keysym <= 0xfe13) ||
           keysym == 0xff7e || keysym == 0xff7f || keysym == 0xff14;
}

// The unshifted character of a Latin-1 keysym, lower case; empty for keys that type nothing.
QString keyEquivalentOf(uint32_t keysym) {
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        return QString(QChar(char16_t(keysym))).toLower();
    return {};
}

} // namespace

RecorderAction recorderAction(const RecorderKeyInput& input) {
    if (isModifierOrLockKey(input))
        return {};
    const ShortcutModifiers modifiers = ShortcutModifiers::fromQtModifiers(input.modifiers);
    if (input.waylandSession) {
        // The Qt key, since a Wayland platform has no X keymap to name the key by.
        if (modifiers.isEmpty() && input.qtKey == Qt::Key_Escape)
            return {RecorderAction::Kind::cancel, {}, {}};
        return {RecorderAction::Kind::invalid, recorderWaylandMessage, {}};
    }
    const KeyTableRow* row = KeyTable::forPressedKey(input.level0Keysym, input.level1Keysym, {});
    if (!row)
        return {RecorderAction::Kind::invalid, recorderUnusableKeyMessage, {}};
    if (modifiers.isEmpty()) {
        if (row->keyCode == escapeCode)
            return {RecorderAction::Kind::cancel, {}, {}};
        if (row->keyCode == backspaceCode || row->keyCode == forwardDeleteCode)
            return {RecorderAction::Kind::clear, {}, {}};
        const auto& functionKeys = AppShortcut::functionKeyCodes();
        if (std::find(functionKeys.begin(), functionKeys.end(), row->keyCode) == functionKeys.end())
            return {RecorderAction::Kind::invalid, recorderModifierMessage, {}};
    }
    return {RecorderAction::Kind::record,
            {},
            AppShortcut{row->keyCode, modifiers, keyEquivalentOf(input.level0Keysym), 1}};
}

} // namespace tolvane
