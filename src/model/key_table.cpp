#include "model/key_table.h"

#include <X11/keysym.h>

namespace tolvane {

namespace {

// Left out on purpose: 10 (ISO key, no ANSI position), 71 (keypad Clear sits where NumLock is, and grabbing
// NumLock breaks the keypad), JIS, media and modifier keys.
constexpr KeyTableRow table[] = {
    // Letters, by position.
    {0, "AC01", XK_a},
    {1, "AC02", XK_s},
    {2, "AC03", XK_d},
    {3, "AC04", XK_f},
    {4, "AC06", XK_h},
    {5, "AC05", XK_g},
    {6, "AB01", XK_z},
    {7, "AB02", XK_x},
    {8, "AB03", XK_c},
    {9, "AB04", XK_v},
    {11, "AB05", XK_b},
    {12, "AD01", XK_q},
    {13, "AD02", XK_w},
    {14, "AD03", XK_e},
    {15, "AD04", XK_r},
    {16, "AD06", XK_y},
    {17, "AD05", XK_t},
    {31, "AD09", XK_o},
    {32, "AD07", XK_u},
    {34, "AD08", XK_i},
    {35, "AD10", XK_p},
    {37, "AC09", XK_l},
    {38, "AC07", XK_j},
    {40, "AC08", XK_k},
    {45, "AB06", XK_n},
    {46, "AB07", XK_m},
    // Digit row.
    {18, "AE01", XK_1},
    {19, "AE02", XK_2},
    {20, "AE03", XK_3},
    {21, "AE04", XK_4},
    {23, "AE05", XK_5},
    {22, "AE06", XK_6},
    {26, "AE07", XK_7},
    {28, "AE08", XK_8},
    {25, "AE09", XK_9},
    {29, "AE10", XK_0},
    // Punctuation.
    {27, "AE11", XK_minus},
    {24, "AE12", XK_equal},
    {33, "AD11", XK_bracketleft},
    {30, "AD12", XK_bracketright},
    {41, "AC10", XK_semicolon},
    {39, "AC11", XK_apostrophe},
    {42, "BKSL", XK_backslash},
    {43, "AB08", XK_comma},
    {47, "AB09", XK_period},
    {44, "AB10", XK_slash},
    {50, "TLDE", XK_grave},
    // Editing and navigation. The Mac Help key sits where Insert is.
    {36, "RTRN", XK_Return},
    {48, "TAB", XK_Tab},
    {49, "SPCE", XK_space},
    {51, "BKSP", XK_BackSpace},
    {53, "ESC", XK_Escape},
    {114, "INS", XK_Insert},
    {115, "HOME", XK_Home},
    {116, "PGUP", XK_Prior},
    {117, "DELE", XK_Delete},
    {119, "END", XK_End},
    {121, "PGDN", XK_Next},
    {123, "LEFT", XK_Left},
    {124, "RGHT", XK_Right},
    {125, "DOWN", XK_Down},
    {126, "UP", XK_Up},
    // Function keys F1 to F20.
    {122, "FK01", XK_F1},
    {120, "FK02", XK_F2},
    {99, "FK03", XK_F3},
    {118, "FK04", XK_F4},
    {96, "FK05", XK_F5},
    {97, "FK06", XK_F6},
    {98, "FK07", XK_F7},
    {100, "FK08", XK_F8},
    {101, "FK09", XK_F9},
    {109, "FK10", XK_F10},
    {103, "FK11", XK_F11},
    {111, "FK12", XK_F12},
    {105, "FK13", XK_F13},
    {107, "FK14", XK_F14},
    {113, "FK15", XK_F15},
    {106, "FK16", XK_F16},
    {64, "FK17", XK_F17},
    {79, "FK18", XK_F18},
    {80, "FK19", XK_F19},
    {90, "FK20", XK_F20},
    // Keypad.
    {65, "KPDL", XK_KP_Decimal},
    {67, "KPMU", XK_KP_Multiply},
    {69, "KPAD", XK_KP_Add},
    {75, "KPDV", XK_KP_Divide},
    {76, "KPEN", XK_KP_Enter},
    {78, "KPSU", XK_KP_Subtract},
    {81, "KPEQ", XK_KP_Equal},
    {82, "KP0", XK_KP_0},
    {83, "KP1", XK_KP_1},
    {84, "KP2", XK_KP_2},
    {85, "KP3", XK_KP_3},
    {86, "KP4", XK_KP_4},
    {87, "KP5", XK_KP_5},
    {88, "KP6", XK_KP_6},
    {89, "KP7", XK_KP_7},
    {91, "KP8", XK_KP_8},
    {92, "KP9", XK_KP_9},
};

} // namespace

std::span<const KeyTableRow> KeyTable::rows() {
    return table;
}

const KeyTableRow* KeyTable::byCode(uint32_t keyCode) {
    for (const KeyTableRow& row : table) {
        if (row.keyCode == keyCode)
            return &row;
    }
    return nullptr;
}

const KeyTableRow* KeyTable::byKeysym(uint32_t keysym) {
    if (keysym == 0) // NoSymbol
        return nullptr;
    for (const KeyTableRow& row : table) {
        if (row.keysym == keysym)
            return &row;
    }
    return nullptr;
}

const KeyTableRow* KeyTable::byXkbName(QByteArrayView name) {
    if (name.isEmpty())
        return nullptr;
    for (const KeyTableRow& row : table) {
        if (name == QByteArrayView(row.xkbName))
            return &row;
    }
    return nullptr;
}

const KeyTableRow* KeyTable::forPressedKey(uint32_t level0Keysym, uint32_t level1Keysym,
                                           QByteArrayView xkbName) {
    if (const KeyTableRow* row = byKeysym(level0Keysym))
        return row;
    if (const KeyTableRow* row = byKeysym(level1Keysym))
        return row;
    return byXkbName(xkbName);
}

} // namespace tolvane
