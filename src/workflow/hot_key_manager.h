#pragma once

#include "core/clock.h"
#include "model/shortcut_configuration.h"
#include "model/shortcut_errors.h"
#include "platform/global_input.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tolvane {

// Turns a ShortcutConfiguration into system-wide triggers and calls one handler per action when its
// shortcut is pressed, whichever application is in front. Single presses are key grabs carrying the owner
// tag "QVHK" and the action's hot-key id; repeated presses are recognised from the raw key stream (which
// consumes nothing) on the monotonic clock. Main thread only.
class HotKeyManager final : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void()>;
    using Handlers = std::map<ShortcutAction, Handler>;
    using Failures = std::map<ShortcutAction, HotKeyError>;
    using Probe = std::function<int32_t(KeyChord)>;

    static constexpr uint32_t hotKeySignature = fourCharCode("QVHK");
    static constexpr HotKeyIdentifier probeHotKeyID{fourCharCode("QVPB"), 99};
    // The second press must come within this time of the first.
    static constexpr std::chrono::milliseconds multiPressWindow{700};
    // Delay between a recognised double press and its handler.
    static constexpr std::chrono::milliseconds multiPressDelay{120};

    explicit HotKeyManager(GlobalInputService& input, Clock& clock = systemClock(),
                           QObject* parent = nullptr);
    ~HotKeyManager() override;

    // Replaces every earlier registration. Returns one failure per action that cannot fire: registerFailed
    // for a chord the desktop refuses, installHandlerFailed for every configured action when global input
    // is unavailable, and for the repeated-press actions when the raw key stream is.
    Failures registerShortcuts(const ShortcutConfiguration& shortcuts, Handlers handlers);
    // Releases every grab and the raw observer and forgets pending first presses; keeps the shortcuts and
    // handlers, and a recognised double press still fires with the current handler.
    void unregisterAll();
    // While the user records a shortcut: release everything, then grab the same configuration again.
    void suspend();
    Failures resume();

    const ShortcutConfiguration& shortcuts() const { return m_shortcuts; }

    // Whether a freshly recorded single-press chord is free: none when it is (or when it is not a single
    // press, without touching the desktop), else registerFailed with the status. `probe` tests the chord
    // on a connection of its own, so our live grabs are never released by it.
    static std::optional<HotKeyError> probeShortcutAvailability(const AppShortcut& shortcut,
                                                                const Probe& probe);
    static std::optional<HotKeyError> probeShortcutAvailability(const AppShortcut& shortcut);

    // The desktop chord of a stored shortcut; none when its key has no row in the key table.
    static std::optional<KeyChord> chordFor(const AppShortcut& shortcut);
    // Desktop modifiers (GlobalModifier bits) as stored modifiers: Ctrl -> command, Alt -> option,
    // Super -> control, Shift -> shift.
    static ShortcutModifiers modifiersFromGlobal(uint8_t modifiers);

private:
    bool handleHotKey(HotKeyIdentifier id);
    void handleKeyDownForMultiPress(const RawInputEvent& event);
    void callHandler(ShortcutAction action);

    GlobalInputService& m_input;
    Clock& m_clock;
    std::vector<ShortcutAction> m_grabbed;
    int m_handlerSubscription = 0;
    int m_rawSubscription = 0;
    bool m_suspended = false;
    ShortcutConfiguration m_shortcuts;
    Handlers m_handlers;
    std::map<ShortcutAction, std::chrono::nanoseconds> m_lastKeyPressAt;
    std::vector<ScheduledCall> m_pendingCalls;
};

} // namespace tolvane
