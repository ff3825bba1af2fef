#pragma once

#include "platform/key_injector.h"

#include <functional>
#include <vector>

namespace tolvane {

// Records synthetic keystrokes and hands each to the test's simulated application.
class MemoryKeyInjector final : public KeyInjector {
public:
    bool canInject() const override { return m_available; }
    QCoro::Task<> send(SyntheticKey key, CancellationToken token) override;

    void setAvailable(bool available) { m_available = available; }
    // Called for each keystroke, as the frontmost application would receive it.
    void setReceiver(std::function<void(SyntheticKey)> receiver) { m_receiver = std::move(receiver); }
    const std::vector<SyntheticKey>& sent() const { return m_sent; }

private:
    bool m_available = true;
    std::function<void(SyntheticKey)> m_receiver;
    std::vector<SyntheticKey> m_sent;
};

} // namespace tolvane
