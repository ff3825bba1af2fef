#pragma once

#include "model/app_shortcut.h"

#include <QString>
#include <optional>

namespace tolvane {

// Shown when a recorded shortcut would take over a common menu shortcut of other applications.
inline const QString menuShortcutWarning =
    QStringLiteral("这会覆盖系统常用菜单快捷键。请再加入 Alt、Super 或 Shift 修饰键。");

// Shown when a recorded shortcut would take over a key that text editors use with Ctrl or Ctrl+Shift
// (moving by words, selecting, deleting, switching tabs).
inline const QString editingShortcutWarning = QStringLiteral(
    "这会覆盖文本编辑常用的快捷键（按词移动、选择或删除文字）。请再加入 Alt 或 Super 修饰键。");

// Shown when a recorded shortcut has Shift as its only modifier: other applications type and select text
// with it.
inline const QString shiftShortcutWarning =
    QStringLiteral("这会覆盖输入和选择文字所用的按键（仅 Shift 加一个键）。请再加入 Alt 或 Super 修饰键。");

// Shown when a recorded shortcut has Alt as its only modifier on a key that applications and window
// managers use with it (menus, back and forward, switching and closing windows).
inline const QString altShortcutWarning = QStringLiteral(
    "这会覆盖应用和窗口管理器常用的 Alt 快捷键（打开菜单、前进后退、切换或关闭窗口）。请再加入 Ctrl 或 Super "
    "修饰键。");

// Shown for Ctrl+Alt with F1 to F12: the X server takes these chords to switch virtual terminals.
inline const QString terminalSwitchShortcutWarning =
    QStringLiteral("Ctrl+Alt 加 F1 至 F12 用于切换虚拟终端，其他应用收不到。请换一个按键。");

// Why a chord pressed once may not become a global shortcut, which would be grabbed from every
// application: Ctrl as its only modifier, whatever the key; Ctrl+Shift on an editing or navigation key;
// Shift as its only modifier, whatever the key; Alt as its only modifier on an arrow, Home, End, Page Up,
// Page Down, Tab, Backspace, Delete, Return, F4, Space or a letter; Alt+Shift+Tab; Ctrl+Alt with F1 to
// F12. None for any other chord, and for chords
// pressed more than once. Chords already stored are registered as they are.
std::optional<QString> commonShortcutRefusal(const AppShortcut& shortcut);

} // namespace tolvane
