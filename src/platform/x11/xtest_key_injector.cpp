#include "platform/x11/xtest_key_injector.h"

#include "core/async/sleep.h"
#include "platform/x11/x11_input_service.h"

#include <X11/keysym.h>
#include <cstdlib>
#include <xcb/xtest.h>

namespace tolvane {
namespace {

using namespace std::chrono_literals;

constexpr auto modifierReleaseWait = 250ms;
constexpr auto modifierPollInterval = 15ms;

// Evdev key codes of a US layout, used when the layout has no Latin letter for the keysym.
constexpr xcb_keycode_t fallbackC = 54;
constexpr xcb_keycode_t fallbackV = 55;
constexpr xcb_keycode_t fallbackControl = 37;
constexpr xcb_keycode_t fallbackShift = 50;

} // namespace

XTestKeyInjector::XTestKeyInjector(X11InputService& service, Clock& clock, QObject* parent)
    : QObject(parent), m_service(&service), m_clock(clock) {
    m_subscription = service.subscribe([this](const xcb_generic_event_t* event) {
        // The layout changed: look key codes up again on next use.
        if ((event->response_type & 0x7f) == XCB_MAPPING_NOTIFY) {
            m_mappingLoaded = false;
            m_keycodes.clear();
        }
    });
}

XTestKeyInjector::~XTestKeyInjector() {
    if (m_service)
        m_service->unsubscribe(m_subscription);
}

bool XTestKeyInjector::canInject() const {
    return m_service && m_service->isConnected() && m_service->extensions().xtest;
}

void XTestKeyInjector::loadKeyboardMapping() {
    m_mappingLoaded = true;
    m_keycodes.clear();
    xcb_connection_t* c = m_service->connection();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    auto* reply = xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<uint8_t>(count)), nullptr);
    m_service->drainQueued();
    if (!reply)
        return;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int perCode = reply->keysyms_per_keycode;
    // Lowest column first, so a key's own symbol wins over a shifted one elsewhere.
    for (int column = 0; column < perCode; ++column)
        for (int i = 0; i < count; ++i) {
            const xcb_keysym_t sym = syms[i * perCode + column];
            if (sym != XCB_NO_SYMBOL)
                m_keycodes.try_emplace(sym, static_cast<xcb_keycode_t>(setup->min_keycode + i));
        }
    std::free(reply);
}

xcb_keycode_t XTestKeyInjector::keycodeFor(xcb_keysym_t keysym, xcb_keycode_t fallback) {
    if (!m_mappingLoaded && m_service && m_service->isConnected())
        loadKeyboardMapping();
    auto found = m_keycodes.find(keysym);
    return found == m_keycodes.end() ? fallback : found->second;
}

std::vector<xcb_keycode_t> XTestKeyInjector::modifierKeycodes() {
    std::vector<xcb_keycode_t> keycodes;
    xcb_connection_t* c = m_service->connection();
    auto* reply = xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
    m_service->drainQueued();
    if (!reply)
        return keycodes;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    // Rows: Shift, Lock, Control, Mod1 (Alt), Mod2 (NumLock), Mod3, Mod4 (Super), Mod5 (AltGr).
    for (int row : {0, 2, 3, 5, 6, 7})
        for (int i = 0; i < perModifier; ++i)
            if (const xcb_keycode_t code = codes[row * perModifier + i]; code != 0)
                keycodes.push_back(code);
    std::free(reply);
    return keycodes;
}

std::vector<xcb_keycode_t> XTestKeyInjector::heldModifiers() {
    std::vector<xcb_keycode_t> held;
    const std::vector<xcb_keycode_t> modifiers = modifierKeycodes();
    xcb_connection_t* c = m_service->connection();
    auto* keymap = xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr);
    m_service->drainQueued();
    if (!keymap)
        return held;
    for (xcb_keycode_t code : modifiers)
        if (keymap->keys[code / 8] & (1 << (code % 8)))
            held.push_back(code);
    std::free(keymap);
    return held;
}

void XTestKeyInjector::fakeKey(uint8_t type, xcb_keycode_t keycode) {
    xcb_test_fake_input(m_service->connection(), type, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

QCoro::Task<> XTestKeyInjector::send(SyntheticKey key, CancellationToken token) {
    return sendChord(QPointer<XTestKeyInjector>(this), key, std::move(token));
}

QCoro::Task<> XTestKeyInjector::sendChord(QPointer<XTestKeyInjector> self, SyntheticKey key,
                                          CancellationToken token) {
    token.throwIfCancelled();
    if (!self || !self->canInject())
        co_return;
    xcb_connection_t* c = self->m_service->connection();
    // While a hot-key chord is held our passive grab is active and would route the injected keys to us.
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_flush(c);

    // Give the user a moment to let go of the hot key's modifiers, then release what is still down, so the
    // target sees exactly the chord we send.
    const auto start = self->m_clock.uptime();
    std::vector<xcb_keycode_t> held = self->heldModifiers();
    while (!held.empty() && self->m_clock.uptime() - start < modifierReleaseWait) {
        co_await sleep(self->m_clock, modifierPollInterval, token);
        if (!self || !self->canInject())
            co_return;
        held = self->heldModifiers();
    }

    const xcb_keycode_t control = self->keycodeFor(XK_Control_L, fallbackControl);
    const xcb_keycode_t shift = self->keycodeFor(XK_Shift_L, fallbackShift);
    const xcb_keycode_t letter =
        key == SyntheticKey::copy ? self->keycodeFor(XK_c, fallbackC) : self->keycodeFor(XK_v, fallbackV);
    const bool withShift = key == SyntheticKey::terminalPaste;

    QList<uint> announced{control, letter};
    if (withShift)
        announced.append(shift);
    for (xcb_keycode_t code : held)
        announced.append(code);
    self->m_service->announceInjection(announced);

    for (xcb_keycode_t code : held)
        self->fakeKey(XCB_KEY_RELEASE, code);
    self->fakeKey(XCB_KEY_PRESS, control);
    if (withShift)
        self->fakeKey(XCB_KEY_PRESS, shift);
    self->fakeKey(XCB_KEY_PRESS, letter);
    self->fakeKey(XCB_KEY_RELEASE, letter);
    if (withShift)
        self->fakeKey(XCB_KEY_RELEASE, shift);
    self->fakeKey(XCB_KEY_RELEASE, control);
    xcb_flush(c);
}

} // namespace tolvane
