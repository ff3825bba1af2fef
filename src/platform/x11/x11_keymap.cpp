#include "platform/x11/x11_keymap.h"

#include <X11/keysym.h>
#include <cstdlib>
#include <memory>

namespace tolvane {
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

X11Keymap X11Keymap::read(xcb_connection_t* connection) {
    X11Keymap keymap;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    Reply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, count), nullptr));
    if (!mapping)
        return keymap;
    keymap.m_minKeycode = setup->min_keycode;
    keymap.m_perKeycode = mapping->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    keymap.m_keysyms.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(mapping.get()));

    Reply<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr));
    if (!modifiers)
        return keymap;
    const int perModifier = modifiers->keycodes_per_modifier;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    // First pass: which mask carries Alt, Super and NumLock (usually Mod1, Mod4, Mod2).
    for (int index = 0; index < 8; ++index) {
        const uint16_t mask = static_cast<uint16_t>(1u << index);
        for (int k = 0; k < perModifier; ++k) {
            const xcb_keycode_t code = codes[index * perModifier + k];
            if (code == 0)
                continue;
            const auto [sym0, sym1] = keymap.keysymsOf(code);
            for (uint32_t sym : {sym0, sym1}) {
                if (index >= 3 && (sym == XK_Alt_L || sym == XK_Alt_R || sym == XK_Meta_L))
                    keymap.m_altMask = keymap.m_altMask ? keymap.m_altMask : mask;
                if (index >= 3 && (sym == XK_Super_L || sym == XK_Super_R))
                    keymap.m_superMask = keymap.m_superMask ? keymap.m_superMask : mask;
                if (index >= 3 && sym == XK_Num_Lock)
                    keymap.m_numLockMask = mask;
            }
        }
    }
    // Second pass: the modifier each key sets, so raw key events can track what is held.
    for (int index = 0; index < 8; ++index) {
        const uint16_t mask = static_cast<uint16_t>(1u << index);
        uint8_t bit = 0;
        if (index == 0)
            bit = modShift;
        else if (index == 2)
            bit = modControl;
        else if (mask == keymap.m_altMask)
            bit = modAlt;
        else if (mask == keymap.m_superMask)
            bit = modSuper;
        if (bit == 0)
            continue;
        for (int k = 0; k < perModifier; ++k)
            if (const xcb_keycode_t code = codes[index * perModifier + k]; code != 0)
                keymap.m_modifierKeys[code] |= bit;
    }
    return keymap;
}

std::optional<xcb_keycode_t> X11Keymap::keycodeFor(uint32_t keysym) const {
    if (m_perKeycode == 0 || keysym == 0)
        return std::nullopt;
    const size_t keys = m_keysyms.size() / m_perKeycode;
    // Columns in order, so a key making the symbol unshifted wins over one making it with Shift.
    for (size_t column = 0; column < m_perKeycode; ++column)
        for (size_t key = 0; key < keys; ++key)
            if (m_keysyms[key * m_perKeycode + column] == keysym)
                return static_cast<xcb_keycode_t>(m_minKeycode + key);
    return std::nullopt;
}

std::pair<uint32_t, uint32_t> X11Keymap::keysymsOf(xcb_keycode_t keycode) const {
    if (m_perKeycode == 0 || keycode < m_minKeycode)
        return {0, 0};
    const size_t base = size_t(keycode - m_minKeycode) * m_perKeycode;
    if (base >= m_keysyms.size())
        return {0, 0};
    const uint32_t level0 = m_keysyms[base];
    const uint32_t level1 = m_perKeycode > 1 ? m_keysyms[base + 1] : 0;
    return {level0, level1};
}

uint16_t X11Keymap::maskFor(uint8_t modifiers) const {
    uint16_t mask = 0;
    if (modifiers & modShift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & modControl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & modAlt)
        mask |= m_altMask;
    if (modifiers & modSuper)
        mask |= m_superMask;
    return mask;
}

std::array<uint16_t, 4> X11Keymap::lockVariants() const {
    const uint16_t lock = XCB_MOD_MASK_LOCK;
    return {uint16_t(0), lock, m_numLockMask, uint16_t(lock | m_numLockMask)};
}

uint8_t X11Keymap::modifierOfKey(xcb_keycode_t keycode) const {
    auto found = m_modifierKeys.find(keycode);
    return found == m_modifierKeys.end() ? 0 : found->second;
}

} // namespace tolvane
