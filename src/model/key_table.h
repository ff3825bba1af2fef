#pragma once

#include <QByteArrayView>
#include <cstdint>
#include <optional>
#include <span>

namespace tolvane {

// One key of the US ANSI keyboard: the macOS virtual key code that names its position (the stored identity
// of a shortcut key), the XKB name of that position and the keysym the US layout gives it unshifted.
struct KeyTableRow {
    uint32_t keyCode;
    const char* xkbName;
    uint32_t keysym;
};

// The one table between stored key codes and X11 keys. Pure data: resolving a row against the running
// keymap is the X11 layer's business (platform/x11/key_resolver.h).
class KeyTable {
public:
    static std::span<const KeyTableRow> rows();
    static const KeyTableRow* byCode(uint32_t keyCode);
    static const KeyTableRow* byKeysym(uint32_t keysym);
    static const KeyTableRow* byXkbName(QByteArrayView name);

    // The row of a pressed key: its keysym at shift level 0, then at level 1, then its XKB name.
    // None when the key has no row (Print, media keys, modifiers, ...).
    static const KeyTableRow* forPressedKey(uint32_t level0Keysym, uint32_t level1Keysym,
                                            QByteArrayView xkbName);
};

} // namespace tolvane
