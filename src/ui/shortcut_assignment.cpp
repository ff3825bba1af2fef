#include "ui/shortcut_assignment.h"

#include "model/app_settings.h"
#include "model/shortcut_errors.h"
#include "ui/menu_shortcut_warning.h"
#include "ui/shortcut_action_title.h"

namespace tolvane::ShortcutAssignment {

Outcome validate(ShortcutAction action, const AppShortcut& recorded, AppSettings& settings,
                 const Availability& availability, ConflictText conflictText) {
    const ShortcutConfiguration shortcuts = settings.shortcuts();
    if (shortcuts.shortcut(action) == recorded)
        return {Outcome::Kind::unchanged, {}};
    if (const std::optional<QString> refused = commonShortcutRefusal(recorded))
        return {Outcome::Kind::refused, *refused};
    for (ShortcutAction other : allShortcutActions) {
        if (other == action || shortcuts.shortcut(other) != recorded)
            continue;
        if (conflictText == ConflictText::named)
            return {Outcome::Kind::refused,
                    QStringLiteral("与“%1”的快捷键冲突，请先修改其中一个。").arg(shortcutActionTitle(other))};
        return {Outcome::Kind::refused, ShortcutAssignmentError(other).description()};
    }
    if (availability) {
        if (const std::optional<QString> refused = availability(recorded))
            return {Outcome::Kind::refused, *refused};
    }
    try {
        settings.setShortcut(recorded, action);
    } catch (const ShortcutAssignmentError& error) {
        return {Outcome::Kind::refused, error.description()};
    }
    return {Outcome::Kind::stored, {}};
}

} // namespace tolvane::ShortcutAssignment
