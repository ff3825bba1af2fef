#pragma once

#include "platform/global_input.h"
#include "platform/session_info.h"
#include "platform/x11/x11_keymap.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <chrono>
#include <map>
#include <set>
#include <utility>
#include <xcb/xcb.h>

namespace tolvane {

class X11InputService;

// Key grabs and the XInput 2 raw stream on the input service's connection.
//
// Grabs: each chord is grabbed on the root window with the four lock variants (none, CapsLock, NumLock,
// both) and counts only when all four succeed. X silently replaces a second grab of the same chord on one
// connection, so a registry of what we hold refuses duplicates. After a grabbed press is dispatched the
// keyboard is released at once: the passive grab would otherwise stay active until the key goes up and
// swallow the user's keys and our own synthetic ones.
//
// Raw stream: key and button presses of every client, and pointer motion while the left button is down.
// Modifiers are tracked from raw key events, since raw events carry no state and querying the keyboard
// while handling one reads a later state. Keys the injector announces are not passed on as presses.
// Auto-repeat sends core presses but no raw events, so a grabbed chord fires again only after the raw
// release of its key.
class X11GlobalInput final : public QObject, public GlobalInputService {
    Q_OBJECT

public:
    X11GlobalInput(X11InputService& service, SessionKind session, QObject* parent = nullptr);
    ~X11GlobalInput() override;

    int32_t status() const override { return m_status; }
    int32_t rawInputStatus() const override;
    int32_t grabKey(KeyChord chord, HotKeyIdentifier id) override;
    void ungrabKey(HotKeyIdentifier id) override;
    int addHotKeyHandler(HotKeyHandler handler) override;
    int addRawObserver(RawObserver observer) override;
    void remove(int subscription) override;

private:
    struct Grab {
        KeyChord chord;
        xcb_keycode_t keycode = 0;
        uint16_t mask = 0;
    };
    using GrabKey = std::pair<uint32_t, uint32_t>; // signature, id

    void handle(const xcb_generic_event_t* event);
    void handleKeyPress(const xcb_key_press_event_t* event);
    void handleRaw(uint16_t type, uint32_t detail, uint32_t time);
    void remap();
    int32_t grabVariants(xcb_keycode_t keycode, uint16_t mask);
    void ungrabVariants(xcb_keycode_t keycode, uint16_t mask);
    void updateRawSelection();
    void noteInjection(const QList<uint>& keycodes);
    bool consumeInjected(xcb_keycode_t keycode);
    uint8_t heldModifiers() const;

    QPointer<X11InputService> m_service;
    int32_t m_status = 0;
    bool m_rawAvailable = false;
    uint8_t m_xinputOpcode = 0;
    int m_subscription = 0;
    X11Keymap m_keymap;
    std::map<GrabKey, Grab> m_grabs;
    int m_nextSubscription = 1;
    std::map<int, HotKeyHandler> m_handlers;
    std::map<int, RawObserver> m_observers;
    uint32_t m_selectedRawMask = 0;
    bool m_leftDown = false;
    std::set<xcb_keycode_t> m_keysDown;
    std::set<xcb_keycode_t> m_firedWhileDown;
    std::multimap<xcb_keycode_t, std::chrono::steady_clock::time_point> m_injected;
};

} // namespace tolvane
