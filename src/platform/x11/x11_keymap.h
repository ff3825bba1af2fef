#pragma once

#include "platform/global_input.h"

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>
#include <xcb/xcb.h>

namespace tolvane {

// The server's keyboard and modifier mappings as read from one connection: keysym -> keycode for grabs,
// keycode -> symbols for raw events, and where Alt, Super and NumLock sit among the modifier masks.
// Re-read it after a MappingNotify.
class X11Keymap {
public:
    // Reads both mappings (two round trips). An empty keymap when the replies fail.
    static X11Keymap read(xcb_connection_t* connection);

    // The key code producing the keysym, preferring unshifted columns; none when no key does.
    std::optional<xcb_keycode_t> keycodeFor(uint32_t keysym) const;
    // The symbols at shift levels 0 and 1 of a key code (0 when absent).
    std::pair<uint32_t, uint32_t> keysymsOf(xcb_keycode_t keycode) const;
    // The X state mask of GlobalModifier bits; 0 for a modifier the server does not map.
    uint16_t maskFor(uint8_t modifiers) const;
    // The X state bits that count as a chord's modifiers (Shift, Control, Alt, Super).
    uint16_t chordMask() const { return maskFor(modShift | modControl | modAlt | modSuper); }
    uint16_t numLockMask() const { return m_numLockMask; }
    // The four lock-key variants a grab must cover: none, CapsLock, NumLock, both.
    std::array<uint16_t, 4> lockVariants() const;
    // The GlobalModifier bit a modifier key sets; 0 for other keys.
    uint8_t modifierOfKey(xcb_keycode_t keycode) const;

private:
    xcb_keycode_t m_minKeycode = 0;
    uint8_t m_perKeycode = 0;
    std::vector<xcb_keysym_t> m_keysyms;
    uint16_t m_altMask = 0;
    uint16_t m_superMask = 0;
    uint16_t m_numLockMask = 0;
    std::unordered_map<xcb_keycode_t, uint8_t> m_modifierKeys;
};

} // namespace tolvane
