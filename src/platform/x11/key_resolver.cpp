#include "platform/x11/key_resolver.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace tolvane {

KeyResolver::KeyResolver(Display* display) {
    if (!display)
        return;
    XDisplayKeycodes(display, &m_minKeycode, &m_maxKeycode);
    const int count = m_maxKeycode - m_minKeycode + 1;
    if (count <= 0)
        return;
    KeySym* mapping = XGetKeyboardMapping(display, static_cast<KeyCode>(m_minKeycode), count, &m_perKeycode);
    if (mapping) {
        m_keysyms.assign(mapping, mapping + static_cast<size_t>(count) * static_cast<size_t>(m_perKeycode));
        XFree(mapping);
    }
    m_names.resize(static_cast<size_t>(count));
    if (XkbDescPtr xkb = XkbGetMap(display, 0, XkbUseCoreKbd)) {
        if (XkbGetNames(display, XkbKeyNamesMask, xkb) == Success && xkb->names && xkb->names->keys) {
            for (int keycode = std::max<int>(m_minKeycode, xkb->min_key_code);
                 keycode <= std::min<int>(m_maxKeycode, xkb->max_key_code); ++keycode) {
                const char* name = xkb->names->keys[keycode].name;
                m_names[static_cast<size_t>(keycode - m_minKeycode)] =
                    QByteArray(name, qstrnlen(name, XkbKeyNameLength));
            }
        }
        XkbFreeKeyboard(xkb, 0, True);
    }
}

bool KeyResolver::carries(uint32_t keycode, uint32_t keysym) const {
    if (keysym == 0 || keycode < static_cast<uint32_t>(m_minKeycode) ||
        keycode > static_cast<uint32_t>(m_maxKeycode))
        return false;
    const size_t base = static_cast<size_t>(keycode - m_minKeycode) * static_cast<size_t>(m_perKeycode);
    for (int column = 0; column < m_perKeycode; ++column) {
        if (m_keysyms[base + static_cast<size_t>(column)] == keysym)
            return true;
    }
    return false;
}

uint32_t KeyResolver::keycodeNamed(QByteArrayView xkbName) const {
    if (xkbName.isEmpty())
        return 0;
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (m_names[i] == xkbName)
            return static_cast<uint32_t>(m_minKeycode) + static_cast<uint32_t>(i);
    }
    return 0;
}

uint32_t KeyResolver::keycodeFor(QByteArrayView xkbName, uint32_t keysym) const {
    const uint32_t named = keycodeNamed(xkbName);
    if (named != 0 && carries(named, keysym))
        return named;
    // Prefer keys that give the keysym unshifted, then any column.
    for (int column = 0; column < m_perKeycode; ++column) {
        for (int keycode = m_minKeycode; keycode <= m_maxKeycode; ++keycode) {
            const size_t index =
                static_cast<size_t>(keycode - m_minKeycode) * static_cast<size_t>(m_perKeycode) +
                static_cast<size_t>(column);
            if (keysym != 0 && m_keysyms[index] == keysym)
                return static_cast<uint32_t>(keycode);
        }
    }
    return named;
}

KeyResolver::KeyFacts KeyResolver::describe(uint32_t keycode) const {
    KeyFacts facts;
    if (keycode < static_cast<uint32_t>(m_minKeycode) || keycode > static_cast<uint32_t>(m_maxKeycode))
        return facts;
    const size_t index = keycode - static_cast<uint32_t>(m_minKeycode);
    const size_t base = index * static_cast<size_t>(m_perKeycode);
    if (m_perKeycode > 0)
        facts.level0Keysym = static_cast<uint32_t>(m_keysyms[base]);
    if (m_perKeycode > 1)
        facts.level1Keysym = static_cast<uint32_t>(m_keysyms[base + 1]);
    facts.xkbName = m_names[index];
    return facts;
}

} // namespace tolvane
