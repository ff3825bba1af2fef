#pragma once

#include "model/shortcut_action.h"

#include <QString>

namespace tolvane {

// The title of a shortcut action, as the tray menu and the settings window name it.
QString shortcutActionTitle(ShortcutAction action);

} // namespace tolvane
