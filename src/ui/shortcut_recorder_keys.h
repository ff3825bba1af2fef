#pragma once

#include "model/app_shortcut.h"

#include <QString>
#include <Qt>
#include <cstdint>

namespace tolvane {

// One key press as the recorder sees it: the Qt key (to recognise modifier and lock keys), the chord
// modifiers, and the key's keysyms at shift levels 0 and 1 from the server's keymap, so neither the
// layout's shift state nor Caps Lock changes what is recorded.
struct RecorderKeyInput {
    int qtKey = 0;
    Qt::KeyboardModifiers modifiers;
    uint32_t level0Keysym = 0;
    uint32_t level1Keysym = 0;
    // A Wayland session: no application receives keys pressed in other applications.
    bool waylandSession = false;
};

// What a key press does to a shortcut recorder.
struct RecorderAction {
    enum class Kind { ignore, cancel, clear, invalid, record };
    Kind kind = Kind::ignore;
    QString message;      // invalid
    AppShortcut shortcut; // record
};

inline const QString recorderModifierMessage = QStringLiteral("请至少加入一个修饰键，或使用 F1–F20 功能键。");
inline const QString recorderUnusableKeyMessage = QStringLiteral("这个按键不能用作全局快捷键。");
inline const QString recorderWaylandMessage =
    QStringLiteral("Wayland 会话不支持全局快捷键：Wayland 不允许应用接收在其他应用中按下的键。请在 X11 "
                   "会话中使用全局快捷键。");

// The recorder's key rules: modifier and lock keys alone are ignored; bare Escape cancels; under Wayland
// every other key says why no global shortcut can work; bare Backspace or Delete clears; a key without a
// key-table row is unusable; a bare key other than F1-F20 needs a modifier; anything else records (pressed
// once).
RecorderAction recorderAction(const RecorderKeyInput& input);

} // namespace tolvane
