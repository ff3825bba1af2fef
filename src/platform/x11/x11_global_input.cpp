#include "platform/x11/x11_global_input.h"

#include "core/logging.h"
#include "platform/x11/x11_input_service.h"

#include <cstdlib>
#include <xcb/xinput.h>

namespace tolvane {
namespace {

// Announced injections older than this are forgotten, so a lost one never eats a real press.
constexpr std::chrono::seconds injectionLifetime{2};

constexpr uint32_t rawKeyMask =
    XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE;
constexpr uint32_t rawButtonMask =
    XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE;

} // namespace

X11GlobalInput::X11GlobalInput(X11InputService& service, SessionKind session, QObject* parent)
    : QObject(parent), m_service(&service) {
    if (session == SessionKind::wayland) {
        m_status = kWaylandStatus;
        qCWarning(lcHotKeys) << "Wayland session: global key grabs and raw input are unavailable";
        return;
    }
    if (!service.isConnected()) {
        xcb_connection_t* connection = service.connection();
        const int error = connection ? xcb_connection_has_error(connection) : 0;
        m_status = error != 0 ? error : XCB_CONN_ERROR;
        qCWarning(lcHotKeys) << "No X connection for global input, status" << m_status;
        return;
    }
    m_rawAvailable = service.extensions().hasRawInput();
    if (m_rawAvailable)
        m_xinputOpcode = xcb_get_extension_data(service.connection(), &xcb_input_id)->major_opcode;
    else
        qCWarning(lcHotKeys) << "XInput 2.1 is missing: no raw input, double presses and the selection "
                                "capsule are unavailable";
    m_keymap = X11Keymap::read(service.connection());
    service.drainQueued();
    m_subscription = service.subscribe([this](const xcb_generic_event_t* event) { handle(event); });
    connect(&service, &X11InputService::injectionAnnounced, this, &X11GlobalInput::noteInjection);
    connect(&service, &X11InputService::connectionLost, this, [this] { m_status = XCB_CONN_ERROR; });
}

X11GlobalInput::~X11GlobalInput() {
    if (!m_service)
        return;
    if (m_service->isConnected()) {
        for (const auto& [key, grab] : m_grabs)
            ungrabVariants(grab.keycode, grab.mask);
        m_observers.clear();
        m_grabs.clear();
        updateRawSelection();
    }
    if (m_subscription)
        m_service->unsubscribe(m_subscription);
}

int32_t X11GlobalInput::rawInputStatus() const {
    if (m_status != 0)
        return m_status;
    return m_rawAvailable ? 0 : kNoRawInputStatus;
}

int32_t X11GlobalInput::grabKey(KeyChord chord, HotKeyIdentifier id) {
    if (m_status != 0)
        return m_status;
    const auto keycode = m_keymap.keycodeFor(chord.keysym);
    if (!keycode)
        return kKeyNotOnKeyboardStatus;
    const uint16_t mask = m_keymap.maskFor(chord.modifiers);
    for (const auto& [key, grab] : m_grabs)
        if (grab.keycode == *keycode && grab.mask == mask)
            return kHotKeyExistsStatus;
    const GrabKey key{id.signature, id.id};
    if (m_grabs.contains(key))
        return kHotKeyExistsStatus;
    if (const int32_t error = grabVariants(*keycode, mask); error != 0)
        return error;
    m_grabs.emplace(key, Grab{chord, *keycode, mask});
    updateRawSelection();
    return 0;
}

void X11GlobalInput::ungrabKey(HotKeyIdentifier id) {
    auto found = m_grabs.find(GrabKey{id.signature, id.id});
    if (found == m_grabs.end())
        return;
    if (m_service && m_service->isConnected())
        ungrabVariants(found->second.keycode, found->second.mask);
    m_grabs.erase(found);
    updateRawSelection();
}

int X11GlobalInput::addHotKeyHandler(HotKeyHandler handler) {
    const int id = m_nextSubscription++;
    m_handlers.emplace(id, std::move(handler));
    return id;
}

int X11GlobalInput::addRawObserver(RawObserver observer) {
    const int id = m_nextSubscription++;
    m_observers.emplace(id, std::move(observer));
    updateRawSelection();
    return id;
}

void X11GlobalInput::remove(int subscription) {
    m_handlers.erase(subscription);
    if (m_observers.erase(subscription) > 0)
        updateRawSelection();
}

int32_t X11GlobalInput::grabVariants(xcb_keycode_t keycode, uint16_t mask) {
    xcb_connection_t* connection = m_service->connection();
    std::vector<uint16_t> grabbed;
    int32_t status = 0;
    for (uint16_t variant : m_keymap.lockVariants()) {
        xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_grab_key_checked(connection, 0, m_service->root(), mask | variant, keycode,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (error) {
            status = error->error_code;
            std::free(error);
            break;
        }
        grabbed.push_back(mask | variant);
    }
    if (status != 0) {
        // All four or none: roll back the variants that were granted.
        for (uint16_t modifiers : grabbed)
            xcb_ungrab_key(connection, keycode, m_service->root(), modifiers);
        xcb_flush(connection);
    }
    m_service->drainQueued();
    return status;
}

void X11GlobalInput::ungrabVariants(xcb_keycode_t keycode, uint16_t mask) {
    xcb_connection_t* connection = m_service->connection();
    for (uint16_t variant : m_keymap.lockVariants())
        xcb_ungrab_key(connection, keycode, m_service->root(), mask | variant);
    xcb_flush(connection);
}

void X11GlobalInput::updateRawSelection() {
    if (!m_rawAvailable || !m_service || !m_service->isConnected())
        return;
    uint32_t mask = 0;
    if (!m_grabs.empty() || !m_observers.empty())
        mask |= rawKeyMask;
    if (!m_observers.empty())
        mask |= rawButtonMask;
    if (!m_observers.empty() && m_leftDown)
        mask |= XCB_INPUT_XI_EVENT_MASK_RAW_MOTION;
    if (mask == m_selectedRawMask)
        return;
    xcb_connection_t* connection = m_service->connection();
    if ((mask & rawKeyMask) && !(m_selectedRawMask & rawKeyMask)) {
        // Start from the keys held now; from here on the raw stream keeps the set.
        m_keysDown.clear();
        if (auto* keymap = xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr)) {
            for (int byte = 0; byte < 32; ++byte)
                for (int bit = 0; bit < 8; ++bit)
                    if (keymap->keys[byte] & (1 << bit))
                        m_keysDown.insert(static_cast<xcb_keycode_t>(byte * 8 + bit));
            std::free(keymap);
        }
    }
    struct {
        xcb_input_event_mask_t head;
        uint32_t bits;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, mask};
    xcb_input_xi_select_events(connection, m_service->root(), 1, &selection.head);
    xcb_flush(connection);
    m_selectedRawMask = mask;
    m_service->drainQueued();
}

void X11GlobalInput::handle(const xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
        handleKeyPress(reinterpret_cast<const xcb_key_press_event_t*>(event));
    } else if (type == XCB_MAPPING_NOTIFY) {
        const auto* notify = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        if (notify->request != XCB_MAPPING_POINTER)
            remap();
    } else if (type == XCB_GE_GENERIC && m_rawAvailable) {
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (generic->extension == m_xinputOpcode) {
            // Raw key and button events share one layout.
            const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
            handleRaw(generic->event_type, raw->detail, raw->time);
        }
    }
}

void X11GlobalInput::handleKeyPress(const xcb_key_press_event_t* event) {
    const uint16_t clean = event->state & m_keymap.chordMask();
    const Grab* match = nullptr;
    HotKeyIdentifier id;
    for (const auto& [key, grab] : m_grabs) {
        if (grab.keycode == event->detail && grab.mask == clean) {
            match = &grab;
            id = HotKeyIdentifier{key.first, key.second};
            break;
        }
    }
    if (!match)
        return;
    // Release the active grab first, so the keys of whatever the handler starts reach the focused window.
    xcb_ungrab_keyboard(m_service->connection(), XCB_CURRENT_TIME);
    xcb_flush(m_service->connection());
    if (m_rawAvailable) {
        // A held key repeats as core presses only; a raw press or release ends the physical press.
        if (!m_firedWhileDown.insert(event->detail).second)
            return;
    }
    const std::vector<int> ids = [this] {
        std::vector<int> keys;
        for (const auto& entry : m_handlers)
            keys.push_back(entry.first);
        return keys;
    }();
    for (int handlerId : ids) {
        auto found = m_handlers.find(handlerId);
        if (found == m_handlers.end())
            continue;
        HotKeyHandler handler = found->second;
        if (handler(id))
            break;
    }
}

void X11GlobalInput::handleRaw(uint16_t type, uint32_t detail, uint32_t time) {
    RawInputEvent out;
    out.time = time;
    switch (type) {
    case XCB_INPUT_RAW_KEY_PRESS: {
        const auto keycode = static_cast<xcb_keycode_t>(detail);
        m_keysDown.insert(keycode);
        // A new physical press: auto-repeat makes no raw events.
        m_firedWhileDown.erase(keycode);
        if (consumeInjected(keycode) || m_keymap.modifierOfKey(keycode) != 0)
            return;
        const auto [level0, level1] = m_keymap.keysymsOf(keycode);
        out.type = RawInputEvent::Type::keyPress;
        out.level0Keysym = level0;
        out.level1Keysym = level1;
        out.modifiers = heldModifiers();
        break;
    }
    case XCB_INPUT_RAW_KEY_RELEASE:
        // Releases may come twice for one key (xdotool); erasing is idempotent. While our own grab is active
        // the server keeps raw events from us, so the next raw press also ends a press (above).
        m_keysDown.erase(static_cast<xcb_keycode_t>(detail));
        m_firedWhileDown.erase(static_cast<xcb_keycode_t>(detail));
        return;
    case XCB_INPUT_RAW_BUTTON_PRESS:
        if (detail == 1) {
            m_leftDown = true;
            updateRawSelection();
        }
        out.type = RawInputEvent::Type::buttonPress;
        out.button = static_cast<int>(detail);
        break;
    case XCB_INPUT_RAW_BUTTON_RELEASE:
        if (detail == 1) {
            m_leftDown = false;
            updateRawSelection();
        }
        out.type = RawInputEvent::Type::buttonRelease;
        out.button = static_cast<int>(detail);
        break;
    case XCB_INPUT_RAW_MOTION:
        if (!m_leftDown)
            return;
        out.type = RawInputEvent::Type::motion;
        break;
    default:
        return;
    }
    std::vector<int> ids;
    for (const auto& entry : m_observers)
        ids.push_back(entry.first);
    for (int observerId : ids) {
        auto found = m_observers.find(observerId);
        if (found == m_observers.end())
            continue;
        RawObserver observer = found->second;
        observer(out);
    }
}

void X11GlobalInput::remap() {
    std::vector<std::pair<GrabKey, Grab>> held(m_grabs.begin(), m_grabs.end());
    for (const auto& [key, grab] : held)
        ungrabVariants(grab.keycode, grab.mask);
    m_grabs.clear();
    m_keymap = X11Keymap::read(m_service->connection());
    int lost = 0;
    for (const auto& [key, grab] : held)
        if (grabKey(grab.chord, HotKeyIdentifier{key.first, key.second}) != 0)
            ++lost;
    if (lost > 0)
        qCWarning(lcHotKeys) << "Keyboard mapping changed;" << lost
                             << "global shortcuts could not be grabbed again";
}

void X11GlobalInput::noteInjection(const QList<uint>& keycodes) {
    const auto now = std::chrono::steady_clock::now();
    for (uint keycode : keycodes)
        m_injected.emplace(static_cast<xcb_keycode_t>(keycode), now);
}

bool X11GlobalInput::consumeInjected(xcb_keycode_t keycode) {
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(m_injected, [now](const auto& entry) { return now - entry.second > injectionLifetime; });
    auto found = m_injected.find(keycode);
    if (found == m_injected.end())
        return false;
    m_injected.erase(found);
    return true;
}

uint8_t X11GlobalInput::heldModifiers() const {
    uint8_t modifiers = 0;
    for (xcb_keycode_t keycode : m_keysDown)
        modifiers |= m_keymap.modifierOfKey(keycode);
    return modifiers;
}

} // namespace tolvane
