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

// Shown for Ctrl+Shift+C and Ctrl+Shift+V: terminals copy and paste with them.
inline const QString terminalClipboardShortcutWarning =
    QStringLiteral("终端用 Ctrl+Shift+C 和 Ctrl+Shift+V 复制和粘贴，设为全局快捷键后终端将收不到。请再加入 "
                   "Alt 或 Super 修饰键。");

// Shown for Alt with a digit: browsers and terminals switch tabs with it, shells take it as a count.
inline const QString altDigitShortcutWarning = QStringLiteral(
    "浏览器和终端用 Alt 加数字键切换标签页，Shell 用它输入重复次数。请再加入 Ctrl 或 Super 修饰键。");

// Shown for Alt+.: shells insert the last argument of the previous command with it.
inline const QString lastArgumentShortcutWarning =
    QStringLiteral("Shell 用 Alt+. 插入上一条命令的最后一个参数。请再加入 Ctrl 或 Super 修饰键。");

// Shown for Alt with F1 to F12: desktops open their menu and run dialog, and move and resize windows, with
// them.
inline const QString desktopFunctionKeyShortcutWarning = QStringLiteral(
    "桌面用 Alt 加 F1 至 F12 打开应用菜单和运行对话框、移动或缩放窗口。请再加入 Ctrl 或 Super 修饰键。");

// Shown for Ctrl+Alt+Delete: desktops log out or shut down with it.
inline const QString logOutShortcutWarning =
    QStringLiteral("桌面用 Ctrl+Alt+Delete 注销或关机。请换一个按键。");

// Shown for Ctrl+Alt+Backspace: where the X server is set up for it, the chord ends the whole session.
inline const QString endSessionShortcutWarning =
    QStringLiteral("Ctrl+Alt+Backspace 可能会直接结束整个桌面会话。请换一个按键。");

// Why a chord pressed once may not become a global shortcut, which would be grabbed from every
// application, by one table shared by the recorder's owners (settings page, guide) and the shortcut wiring:
// Ctrl alone on any key; Ctrl+Shift on an editing or navigation key, C or V; Shift alone on any key; Alt
// alone on a navigation key, a letter, a digit, the full stop or F1 to F12; Alt+Shift+Tab; Ctrl+Alt with F1
// to F12 or Delete. None for any other chord, and for chords pressed more than once.
std::optional<QString> commonShortcutRefusal(const AppShortcut& shortcut);

// A chord already stored is the user's and is registered as it is; for one the rule above refuses, the
// shortcuts page says beside it that other programs use it, with these words. None for any other chord.
std::optional<QString> storedShortcutNotice(const AppShortcut& shortcut);

} // namespace tolvane
