#pragma once

#include "core/clock.h"
#include "platform/key_injector.h"

#include <QObject>
#include <QPointer>
#include <unordered_map>
#include <vector>
#include <xcb/xcb.h>

namespace tolvane {

class X11InputService;

// Synthetic key chords through XTest on the input service's connection.
class XTestKeyInjector final : public QObject, public KeyInjector {
    Q_OBJECT

public:
    explicit XTestKeyInjector(X11InputService& service, Clock& clock = systemClock(),
                              QObject* parent = nullptr);
    ~XTestKeyInjector() override;

    bool canInject() const override;
    QCoro::Task<> send(SyntheticKey key, CancellationToken token) override;

    // The key code producing the keysym in the current layout (any column); `fallback` when none does.
    xcb_keycode_t keycodeFor(xcb_keysym_t keysym, xcb_keycode_t fallback);
    // Key codes of Shift, Control, Alt, Super and AltGr (not Lock or NumLock).
    std::vector<xcb_keycode_t> modifierKeycodes();
    // Those of them that are held down now.
    std::vector<xcb_keycode_t> heldModifiers();

private:
    static QCoro::Task<> sendChord(QPointer<XTestKeyInjector> self, SyntheticKey key,
                                   CancellationToken token);
    void loadKeyboardMapping();
    void fakeKey(uint8_t type, xcb_keycode_t keycode);

    QPointer<X11InputService> m_service;
    Clock& m_clock;
    int m_subscription = 0;
    bool m_mappingLoaded = false;
    std::unordered_map<xcb_keysym_t, xcb_keycode_t> m_keycodes;
};

} // namespace tolvane
