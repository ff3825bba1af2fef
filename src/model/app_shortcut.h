#pragma once

#include "model/shortcut_modifiers.h"

#include <QJsonObject>
#include <QString>
#include <array>
#include <cstdint>

namespace tolvane {

// One global shortcut: a key chord pressed once, or pressed `pressCount` times in quick succession.
// `keyCode` is the macOS virtual key code naming the key's position (see KeyTable).
struct AppShortcut {
    uint32_t keyCode = 0;
    ShortcutModifiers modifiers;
    // The character the key produced when recorded: lower case for letters, " " for the space bar.
    QString keyEquivalent;
    int64_t pressCount = 1;

    // The key's Linux name: Enter, Tab, Space, Backspace, Esc, Delete, arrows, F1-F20; any other key shows
    // its key equivalent in upper case.
    QString keyDisplayName() const;
    // "Ctrl+Alt+T"; a repeated chord reads "Ctrl+C，连按 2 次".
    QString displayText() const;

    QJsonObject toJson() const;
    // Strict: all four keys, keyCode an integer in 0..2^32-1, modifiers in 0..255, pressCount an integer.
    // Throws DecodingError.
    static AppShortcut fromJson(const QJsonValue& json);

    // The key codes of F1 to F20, in that order.
    static const std::array<uint32_t, 20>& functionKeyCodes();

    friend bool operator==(const AppShortcut&, const AppShortcut&) = default;
};

size_t qHash(const AppShortcut& shortcut, size_t seed = 0);

} // namespace tolvane
