#pragma once

#include "platform/global_input.h"

#include <cstdint>

namespace tolvane {

// Whether another client could take the chord away from us: grabs it with every lock variant on a separate,
// short-lived connection, releases what it got and disconnects. Our own live grabs report BadAccess (10)
// there, as another client's do, and are never touched. 0 when the chord is free; an X error code, a
// connection error code or kKeyNotOnKeyboardStatus otherwise.
int32_t probeX11KeyChord(KeyChord chord);

} // namespace tolvane
