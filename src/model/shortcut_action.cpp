#include "model/shortcut_action.h"

namespace tolvane {

QString rawValue(ShortcutAction action) {
    switch (action) {
    case ShortcutAction::translateSelection:
        return QStringLiteral("translateSelection");
    case ShortcutAction::screenshotTranslation:
        return QStringLiteral("screenshotTranslation");
    case ShortcutAction::screenshotRecognition:
        return QStringLiteral("screenshotRecognition");
    case ShortcutAction::openTranslationWindow:
        return QStringLiteral("openTranslationWindow");
    }
    return {};
}

std::optional<ShortcutAction> shortcutActionFromRawValue(const QString& raw) {
    for (ShortcutAction action : allShortcutActions) {
        if (rawValue(action) == raw)
            return action;
    }
    return std::nullopt;
}

std::optional<ShortcutAction> shortcutActionFromHotKeyId(int id) {
    if (id < 1 || id > static_cast<int>(allShortcutActions.size()))
        return std::nullopt;
    return allShortcutActions[static_cast<size_t>(id - 1)];
}

} // namespace tolvane
