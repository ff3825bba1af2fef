#include "model/shortcut_action.h"

namespace tolvane {

std::optional<ShortcutAction> shortcutActionFromHotKeyId(int id) {
    if (id < 1 || id > static_cast<int>(allShortcutActions.size()))
        return std::nullopt;
    return allShortcutActions[static_cast<size_t>(id - 1)];
}

} // namespace tolvane
