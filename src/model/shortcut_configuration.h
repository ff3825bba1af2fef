#pragma once

#include "model/app_shortcut.h"
#include "model/shortcut_action.h"

#include <QByteArray>
#include <QStringList>
#include <array>
#include <optional>

namespace tolvane {

// Binds each ShortcutAction to at most one shortcut. Equality does not depend on the order entries were set.
class ShortcutConfiguration {
public:
    ShortcutConfiguration() = default;

    std::optional<AppShortcut> shortcut(ShortcutAction action) const;
    // None removes the action's entry.
    void setShortcut(ShortcutAction action, std::optional<AppShortcut> shortcut);
    bool isEmpty() const;

    // Ctrl+Alt+T translate, Ctrl+Alt+S screenshot translation, Ctrl+Alt+X recognition, Ctrl+Alt+O window.
    static const ShortcutConfiguration& defaultShortcuts();

    // {"storage": [action, shortcut, action, shortcut, ...]}, pairs in action order so the text is stable.
    QByteArray toJson() const;
    // Any pair order; a repeated action keeps its last shortcut. Throws DecodingError when "storage" is
    // missing or not an array, an action is unknown, a shortcut is malformed or the array has odd length.
    static ShortcutConfiguration fromJson(const QByteArray& json);
    // Reads what can be read: a pair whose action is unknown or whose shortcut is malformed, and an action
    // left without a shortcut at the end, are skipped and described in `skipped`. None (with the reason in
    // `skipped`) when the text is not a JSON object with a "storage" array.
    static std::optional<ShortcutConfiguration> fromJsonElements(const QByteArray& json,
                                                                 QStringList& skipped);

    friend bool operator==(const ShortcutConfiguration&, const ShortcutConfiguration&) = default;

private:
    std::array<std::optional<AppShortcut>, allShortcutActions.size()> m_storage;
};

} // namespace tolvane
