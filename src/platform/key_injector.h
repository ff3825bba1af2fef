#pragma once

#include "core/async/cancellation.h"

#include <QCoroTask>

namespace tolvane {

// The synthetic keystrokes the clipboard road sends to the frontmost application.
enum class SyntheticKey {
    copy,          // Ctrl+C
    paste,         // Ctrl+V
    terminalPaste, // Ctrl+Shift+V: terminals read Ctrl+V as a literal-next
};

// Sends synthetic keystrokes to the focused window.
class KeyInjector {
public:
    virtual ~KeyInjector() = default;
    // False when the system offers no way to inject keys; send() then does nothing.
    virtual bool canInject() const = 0;
    // Releases the modifiers the user still holds (those of the hot key) and sends exactly the chord.
    // Throws CancelledError when the token fires while waiting for the modifiers.
    virtual QCoro::Task<> send(SyntheticKey key, CancellationToken token) = 0;
};

} // namespace tolvane
