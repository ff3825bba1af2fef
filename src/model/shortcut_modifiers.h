#pragma once

#include <QStringList>
#include <Qt>
#include <cstdint>
#include <initializer_list>

namespace tolvane {

// The modifier keys of a shortcut, stored as the byte control 1, option 2, shift 4, command 8.
// On Linux they map as Qt maps them: command -> Ctrl, option -> Alt, control -> Super, shift -> Shift.
// Bits above 0x0F are kept in the value (equality, JSON) but ignored by masks and display.
class ShortcutModifiers {
public:
    enum Flag : uint8_t {
        control = 1,
        option = 2,
        shift = 4,
        command = 8,
    };

    constexpr ShortcutModifiers() = default;
    constexpr explicit ShortcutModifiers(uint8_t raw) : m_raw(raw) {}
    constexpr ShortcutModifiers(std::initializer_list<Flag> flags) {
        for (Flag flag : flags)
            m_raw = static_cast<uint8_t>(m_raw | flag);
    }

    constexpr uint8_t rawValue() const { return m_raw; }
    constexpr bool contains(Flag flag) const { return (m_raw & flag) != 0; }
    // No modifier bit (of the four) is set.
    constexpr bool isEmpty() const { return (m_raw & 0x0F) == 0; }

    // The X11 state mask of the usual mapping: ShiftMask 0x01, ControlMask 0x04, Mod1Mask 0x08, Mod4Mask
    // 0x40.
    uint32_t x11ModifierMask() const;
    Qt::KeyboardModifiers qtModifiers() const;
    // Shift, Ctrl, Alt and Meta (Super); any other Qt modifier is dropped.
    static ShortcutModifiers fromQtModifiers(Qt::KeyboardModifiers modifiers);
    // Linux names of the modifiers present, in the order Ctrl, Alt, Shift, Super.
    QStringList displayNames() const;

    friend constexpr bool operator==(ShortcutModifiers, ShortcutModifiers) = default;

private:
    uint8_t m_raw = 0;
};

} // namespace tolvane
