#pragma once

#include "platform/global_input.h"

#include <map>
#include <vector>

namespace tolvane::testing {

// Scripted global input: grab results per keysym, presses and raw events sent by the test.
class FakeGlobalInput final : public GlobalInputService {
public:
    int32_t startStatus = 0;
    int32_t rawStatus = 0;
    std::map<uint32_t, int32_t> grabResults; // keysym -> status; absent means success
    std::map<std::pair<uint32_t, uint32_t>, KeyChord> grabs;
    int grabCalls = 0;

    int32_t status() const override { return startStatus; }
    int32_t rawInputStatus() const override { return startStatus != 0 ? startStatus : rawStatus; }
    int32_t grabKey(KeyChord chord, HotKeyIdentifier id) override {
        ++grabCalls;
        if (auto found = grabResults.find(chord.keysym); found != grabResults.end() && found->second != 0)
            return found->second;
        for (const auto& entry : grabs)
            if (entry.second == chord)
                return kHotKeyExistsStatus;
        grabs[{id.signature, id.id}] = chord;
        return 0;
    }
    void ungrabKey(HotKeyIdentifier id) override { grabs.erase({id.signature, id.id}); }
    int addHotKeyHandler(HotKeyHandler handler) override {
        handlers[next] = std::move(handler);
        return next++;
    }
    int addRawObserver(RawObserver observer) override {
        observers[next] = std::move(observer);
        return next++;
    }
    void remove(int subscription) override {
        handlers.erase(subscription);
        observers.erase(subscription);
    }

    // A press of a grabbed chord; true when a handler took it.
    bool press(HotKeyIdentifier id) {
        auto copy = handlers;
        for (auto& entry : copy)
            if (entry.second(id))
                return true;
        return false;
    }
    void raw(const RawInputEvent& event) {
        auto copy = observers;
        for (auto& entry : copy)
            entry.second(event);
    }
    void rawKey(uint32_t keysym, uint8_t modifiers) {
        RawInputEvent event;
        event.type = RawInputEvent::Type::keyPress;
        event.level0Keysym = keysym;
        event.modifiers = modifiers;
        raw(event);
    }
    void rawButton(RawInputEvent::Type type, int button) {
        RawInputEvent event;
        event.type = type;
        event.button = button;
        raw(event);
    }
    size_t observerCount() const { return observers.size(); }
    size_t handlerCount() const { return handlers.size(); }

private:
    int next = 1;
    std::map<int, HotKeyHandler> handlers;
    std::map<int, RawObserver> observers;
};

} // namespace tolvane::testing
