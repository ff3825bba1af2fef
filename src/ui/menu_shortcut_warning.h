#pragma once

#include <QString>

namespace tolvane {

// Shown when a recorded shortcut would take over a common menu shortcut of other applications.
inline const QString menuShortcutWarning =
    QStringLiteral("这会覆盖系统常用菜单快捷键。请再加入 Alt、Super 或 Shift 修饰键。");

} // namespace tolvane
