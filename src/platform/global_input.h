#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace tolvane {

// The identity a grabbed chord carries back with each press: an owner tag (four characters packed into
// 32 bits) and a number chosen by the owner.
struct HotKeyIdentifier {
    uint32_t signature = 0;
    uint32_t id = 0;

    friend constexpr bool operator==(HotKeyIdentifier, HotKeyIdentifier) = default;
};

// Packs a short ASCII tag into 32 bits, first character in the highest byte ("QVHK" -> 0x5156484B).
constexpr uint32_t fourCharCode(std::string_view text) {
    uint32_t code = 0;
    for (char c : text)
        code = (code << 8) | static_cast<uint8_t>(c);
    return code;
}

// Modifier keys in the desktop's own terms; the shortcut model maps its stored bits onto these.
enum GlobalModifier : uint8_t {
    modShift = 1,
    modControl = 2,
    modAlt = 4,
    modSuper = 8,
};

// A key chord to grab: the keysym of the key's unshifted symbol plus GlobalModifier bits.
struct KeyChord {
    uint32_t keysym = 0;
    uint8_t modifiers = 0;

    friend constexpr bool operator==(KeyChord, KeyChord) = default;
};

// One event of the raw input stream. Raw events are seen by every observer, whatever window has the focus
// and whatever client holds a grab; they carry no pointer position (read the cursor when handling them).
struct RawInputEvent {
    enum class Type { keyPress, buttonPress, buttonRelease, motion };
    Type type = Type::keyPress;
    // keyPress: the key's symbols at shift levels 0 and 1 and the modifiers held when it went down.
    uint32_t level0Keysym = 0;
    uint32_t level1Keysym = 0;
    uint8_t modifiers = 0;
    // buttonPress / buttonRelease: 1 left, 2 middle, 3 right.
    int button = 0;
    // The server's time of the event in milliseconds; the window's own key event for the same press carries
    // the same time. 0 when unknown.
    uint32_t time = 0;
};

// Status codes of grabKey() besides the X error codes.
inline constexpr int32_t kHotKeyExistsStatus = -9878; // this process already holds the chord
inline constexpr int32_t kKeyNotOnKeyboardStatus = 2; // BadValue: no key of the keyboard makes the keysym
inline constexpr int32_t kWaylandStatus = -1;
inline constexpr int32_t kNoRawInputStatus = -2; // XInput 2.1 or later is missing

// System-wide key grabs and the raw input stream. Main thread only.
class GlobalInputService {
public:
    using HotKeyHandler = std::function<bool(HotKeyIdentifier)>;
    using RawObserver = std::function<void(const RawInputEvent&)>;

    virtual ~GlobalInputService() = default;

    // 0 when chords can be grabbed and their presses dispatched; otherwise the reason (a connection error
    // code, or kWaylandStatus).
    virtual int32_t status() const = 0;
    // 0 when raw input can be observed; otherwise the reason (status(), or kNoRawInputStatus).
    virtual int32_t rawInputStatus() const = 0;

    // Grabs the chord with every lock-key variant for `id`. 0 on success, else the failure: an X error code
    // (BadAccess 10 when another client holds it), kHotKeyExistsStatus, kKeyNotOnKeyboardStatus. A failed
    // grab leaves nothing grabbed.
    virtual int32_t grabKey(KeyChord chord, HotKeyIdentifier id) = 0;
    // Releases every chord grabbed for `id`.
    virtual void ungrabKey(HotKeyIdentifier id) = 0;

    // Each press of a grabbed chord goes to the handlers in turn until one returns true. A key held down
    // reaches them once per physical press.
    virtual int addHotKeyHandler(HotKeyHandler handler) = 0;
    virtual int addRawObserver(RawObserver observer) = 0;
    // Removes a handler or observer by the id its add call returned.
    virtual void remove(int subscription) = 0;
};

} // namespace tolvane
