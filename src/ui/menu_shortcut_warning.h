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

// Why a chord pressed once may not become a global shortcut, which would be grabbed from every
// application: Ctrl as its only modifier, whatever the key; or Ctrl+Shift on an editing or navigation key.
// None for any other chord, and for chords pressed more than once.
std::optional<QString> commonShortcutRefusal(const AppShortcut& shortcut);

} // namespace tolvane
