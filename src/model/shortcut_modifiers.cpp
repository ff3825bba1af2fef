#include "model/shortcut_modifiers.h"

namespace tolvane {

namespace {
// The core protocol state bits (X.h) of the usual modifier map.
constexpr uint32_t shiftMask = 0x01;
constexpr uint32_t controlMask = 0x04;
constexpr uint32_t mod1Mask = 0x08; // Alt
constexpr uint32_t mod4Mask = 0x40; // Super
} // namespace

uint32_t ShortcutModifiers::x11ModifierMask() const {
    uint32_t mask = 0;
    if (contains(command))
        mask |= controlMask;
    if (contains(option))
        mask |= mod1Mask;
    if (contains(shift))
        mask |= shiftMask;
    if (contains(control))
        mask |= mod4Mask;
    return mask;
}

Qt::KeyboardModifiers ShortcutModifiers::qtModifiers() const {
    Qt::KeyboardModifiers result;
    if (contains(command))
        result |= Qt::ControlModifier;
    if (contains(option))
        result |= Qt::AltModifier;
    if (contains(shift))
        result |= Qt::ShiftModifier;
    if (contains(control))
        result |= Qt::MetaModifier;
    return result;
}

ShortcutModifiers ShortcutModifiers::fromQtModifiers(Qt::KeyboardModifiers modifiers) {
    ShortcutModifiers result;
    if (modifiers & Qt::ControlModifier)
        result.m_raw |= command;
    if (modifiers & Qt::AltModifier)
        result.m_raw |= option;
    if (modifiers & Qt::ShiftModifier)
        result.m_raw |= shift;
    if (modifiers & Qt::MetaModifier)
        result.m_raw |= control;
    return result;
}

QStringList ShortcutModifiers::displayNames() const {
    QStringList names;
    if (contains(command))
        names << QStringLiteral("Ctrl");
    if (contains(option))
        names << QStringLiteral("Alt");
    if (contains(shift))
        names << QStringLiteral("Shift");
    if (contains(control))
        names << QStringLiteral("Super");
    return names;
}

} // namespace tolvane
