#pragma once

#include "model/raw_enum.h"

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

template <> struct RawEnumTable<ShortcutAction> {
    static constexpr const char* typeName = "ShortcutAction";
    static constexpr std::array<RawEnumRow<ShortcutAction>, 4> rows{{
        {ShortcutAction::translateSelection, "translateSelection", nullptr},
        {ShortcutAction::screenshotTranslation, "screenshotTranslation", nullptr},
        {ShortcutAction::screenshotRecognition, "screenshotRecognition", nullptr},
        {ShortcutAction::openTranslationWindow, "openTranslationWindow", nullptr},
    }};
};

// Every action in declaration order (the order conflicts are tested and JSON pairs are written in).
inline constexpr std::array<ShortcutAction, 4> allShortcutActions = allCases<ShortcutAction>();

// The id a hot key of this action is registered under: its position plus 1.
constexpr int hotKeyId(ShortcutAction action) {
    return static_cast<int>(action) + 1;
}
std::optional<ShortcutAction> shortcutActionFromHotKeyId(int id);

} // namespace tolvane
