#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <vector>

typedef struct _XDisplay Display;

namespace tolvane {

// Matches keys of the running keymap to stored key positions (the model's key table gives each position an
// XKB key name and the keysym the US layout puts there). Both directions use the same facts, so a recorded
// chord grabs the key that was pressed on any layout. A snapshot: build a new one after a MappingNotify.
class KeyResolver {
public:
    // What a pressed key is: its keysyms at shift levels 0 and 1 (0 when absent) and its XKB name.
    struct KeyFacts {
        uint32_t level0Keysym = 0;
        uint32_t level1Keysym = 0;
        QByteArray xkbName;
    };

    // Reads the core keyboard mapping and the XKB key names of `display`.
    explicit KeyResolver(Display* display);

    // The keycode to grab for a position: the key named `xkbName` when it carries `keysym`; else a key that
    // carries `keysym` in any column; else the named key. 0 when none qualifies (never pass 0 to a grab: it
    // is AnyKey).
    uint32_t keycodeFor(QByteArrayView xkbName, uint32_t keysym) const;
    // The facts of a keycode (an X key event's detail, QKeyEvent::nativeScanCode()).
    KeyFacts describe(uint32_t keycode) const;

private:
    bool carries(uint32_t keycode, uint32_t keysym) const;
    uint32_t keycodeNamed(QByteArrayView xkbName) const;

    int m_minKeycode = 0;
    int m_maxKeycode = -1;
    int m_perKeycode = 0;
    std::vector<uint32_t> m_keysyms; // (keycode - min) * perKeycode + column
    std::vector<QByteArray> m_names; // indexed by keycode - min
};

} // namespace tolvane
