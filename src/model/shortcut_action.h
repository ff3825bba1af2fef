#pragma once

#include <QString>
#include <array>
#include <optional>

namespace tolvane {

// The actions a global shortcut can trigger. The raw value of each case is its name.
enum class ShortcutAction {
    translateSelection,
    screenshotTranslation,
    screenshotRecognition,
    openTranslationWindow,
};

// Every action in declaration order (the order conflicts are tested and JSON pairs are written in).
inline constexpr std::array<ShortcutAction, 4> allShortcutActions{
    ShortcutAction::translateSelection,
    ShortcutAction::screenshotTranslation,
    ShortcutAction::screenshotRecognition,
    ShortcutAction::openTranslationWindow,
};

QString rawValue(ShortcutAction action);
// Exact, case-sensitive match of a raw value; anything else is none.
std::optional<ShortcutAction> shortcutActionFromRawValue(const QString& raw);

// The id a hot key of this action is registered under: its position plus 1.
constexpr int hotKeyId(ShortcutAction action) {
    return static_cast<int>(action) + 1;
}
std::optional<ShortcutAction> shortcutActionFromHotKeyId(int id);

} // namespace tolvane
