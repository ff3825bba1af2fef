#include "workflow/hot_key_manager.h"

#include "core/logging.h"
#include "model/key_table.h"
#include "platform/x11/x11_key_probe.h"

#include <QPointer>

namespace tolvane {
namespace {

uint8_t globalModifiers(ShortcutModifiers modifiers) {
    uint8_t out = 0;
    if (modifiers.contains(ShortcutModifiers::command))
        out |= modControl;
    if (modifiers.contains(ShortcutModifiers::option))
        out |= modAlt;
    if (modifiers.contains(ShortcutModifiers::control))
        out |= modSuper;
    if (modifiers.contains(ShortcutModifiers::shift))
        out |= modShift;
    return out;
}

HotKeyError failure(HotKeyError::Kind kind, int32_t code) {
    return HotKeyError(kind, code);
}

} // namespace

HotKeyManager::HotKeyManager(GlobalInputService& input, Clock& clock, QObject* parent)
    : QObject(parent), m_input(input), m_clock(clock) {}

HotKeyManager::~HotKeyManager() {
    unregisterAll();
    if (m_handlerSubscription)
        m_input.remove(m_handlerSubscription);
    m_pendingCalls.clear();
}

HotKeyManager::Failures HotKeyManager::registerShortcuts(const ShortcutConfiguration& shortcuts,
                                                         Handlers handlers) {
    unregisterAll();
    m_shortcuts = shortcuts;
    m_handlers = std::move(handlers);
    Failures failures;
    if (m_suspended)
        return failures;

    std::vector<ShortcutAction> single;
    std::vector<ShortcutAction> multi;
    for (ShortcutAction action : allShortcutActions) {
        const auto shortcut = m_shortcuts.shortcut(action);
        if (!shortcut || shortcut->pressCount <= 0)
            continue;
        (shortcut->pressCount == 1 ? single : multi).push_back(action);
    }
    if (single.empty() && multi.empty())
        return failures;

    // Without global input nothing can fire: every configured action says so, repeated presses included.
    if (const int32_t status = m_input.status(); status != 0) {
        for (ShortcutAction action : single)
            failures.emplace(action, failure(HotKeyError::Kind::installHandlerFailed, status));
        for (ShortcutAction action : multi)
            failures.emplace(action, failure(HotKeyError::Kind::installHandlerFailed, status));
        qCWarning(lcHotKeys) << "Global shortcuts unavailable, status" << status;
        return failures;
    }
    if (!single.empty() && m_handlerSubscription == 0) {
        QPointer<HotKeyManager> self(this);
        m_handlerSubscription =
            m_input.addHotKeyHandler([self](HotKeyIdentifier id) { return self && self->handleHotKey(id); });
    }
    for (ShortcutAction action : single) {
        const auto chord = chordFor(*m_shortcuts.shortcut(action));
        const int32_t status = chord ? m_input.grabKey(*chord, {hotKeySignature, uint32_t(hotKeyId(action))})
                                     : kKeyNotOnKeyboardStatus;
        if (status == 0)
            m_grabbed.push_back(action);
        else
            failures.emplace(action, failure(HotKeyError::Kind::registerFailed, status));
    }
    if (!multi.empty()) {
        if (const int32_t status = m_input.rawInputStatus(); status != 0) {
            for (ShortcutAction action : multi)
                failures.emplace(action, failure(HotKeyError::Kind::installHandlerFailed, status));
        } else {
            QPointer<HotKeyManager> self(this);
            m_rawSubscription = m_input.addRawObserver([self](const RawInputEvent& event) {
                if (self)
                    self->handleKeyDownForMultiPress(event);
            });
        }
    }
    if (!failures.empty())
        qCWarning(lcHotKeys) << failures.size() << "global shortcuts could not be registered";
    return failures;
}

void HotKeyManager::unregisterAll() {
    for (ShortcutAction action : m_grabbed)
        m_input.ungrabKey({hotKeySignature, uint32_t(hotKeyId(action))});
    m_grabbed.clear();
    if (m_rawSubscription) {
        m_input.remove(m_rawSubscription);
        m_rawSubscription = 0;
    }
    m_lastKeyPressAt.clear();
}

void HotKeyManager::suspend() {
    unregisterAll();
    m_suspended = true;
}

HotKeyManager::Failures HotKeyManager::resume() {
    m_suspended = false;
    const ShortcutConfiguration shortcuts = m_shortcuts;
    return registerShortcuts(shortcuts, m_handlers);
}

std::optional<HotKeyError> HotKeyManager::probeShortcutAvailability(const AppShortcut& shortcut,
                                                                    const Probe& probe) {
    if (shortcut.pressCount != 1)
        return std::nullopt;
    const auto chord = chordFor(shortcut);
    const int32_t status = chord ? probe(*chord) : kKeyNotOnKeyboardStatus;
    if (status == 0)
        return std::nullopt;
    return failure(HotKeyError::Kind::registerFailed, status);
}

std::optional<HotKeyError> HotKeyManager::probeShortcutAvailability(const AppShortcut& shortcut) {
    return probeShortcutAvailability(shortcut, probeX11KeyChord);
}

std::optional<KeyChord> HotKeyManager::chordFor(const AppShortcut& shortcut) {
    const KeyTableRow* row = KeyTable::byCode(shortcut.keyCode);
    if (!row)
        return std::nullopt;
    return KeyChord{row->keysym, globalModifiers(shortcut.modifiers)};
}

ShortcutModifiers HotKeyManager::modifiersFromGlobal(uint8_t modifiers) {
    uint8_t raw = 0;
    if (modifiers & modControl)
        raw |= ShortcutModifiers::command;
    if (modifiers & modAlt)
        raw |= ShortcutModifiers::option;
    if (modifiers & modSuper)
        raw |= ShortcutModifiers::control;
    if (modifiers & modShift)
        raw |= ShortcutModifiers::shift;
    return ShortcutModifiers(raw);
}

bool HotKeyManager::handleHotKey(HotKeyIdentifier id) {
    if (id.signature != hotKeySignature)
        return false;
    const auto action = shortcutActionFromHotKeyId(int(id.id));
    if (!action)
        return false;
    callHandler(*action);
    return true;
}

void HotKeyManager::handleKeyDownForMultiPress(const RawInputEvent& event) {
    // Raw events carry no auto-repeats, so every key press here is a physical one.
    if (event.type != RawInputEvent::Type::keyPress)
        return;
    const KeyTableRow* row = KeyTable::forPressedKey(event.level0Keysym, event.level1Keysym, {});
    if (!row)
        return;
    const ShortcutModifiers modifiers = modifiersFromGlobal(event.modifiers);
    const auto now = m_clock.uptime();
    for (ShortcutAction action : allShortcutActions) {
        const auto shortcut = m_shortcuts.shortcut(action);
        if (!shortcut || shortcut->pressCount < 2 || shortcut->keyCode != row->keyCode ||
            !(ShortcutModifiers(shortcut->modifiers.rawValue() & 0x0F) == modifiers))
            continue;
        auto last = m_lastKeyPressAt.find(action);
        if (last != m_lastKeyPressAt.end() && now - last->second <= multiPressWindow) {
            m_lastKeyPressAt.erase(last);
            QPointer<HotKeyManager> self(this);
            // Calls older than the last few fired long ago (each waits 120 ms); dropping them is a no-op.
            if (m_pendingCalls.size() >= 8)
                m_pendingCalls.erase(m_pendingCalls.begin());
            m_pendingCalls.push_back(m_clock.callAfter(multiPressDelay, [self, action] {
                if (self)
                    self->callHandler(action);
            }));
        } else {
            m_lastKeyPressAt[action] = now;
        }
    }
}

void HotKeyManager::callHandler(ShortcutAction action) {
    auto found = m_handlers.find(action);
    if (found == m_handlers.end() || !found->second)
        return;
    Handler handler = found->second; // a copy: the handler may register new shortcuts
    handler();
}

} // namespace tolvane
