#include "platform/memory/memory_key_injector.h"

namespace tolvane {

QCoro::Task<> MemoryKeyInjector::send(SyntheticKey key, CancellationToken token) {
    token.throwIfCancelled();
    if (m_available) {
        m_sent.push_back(key);
        if (m_receiver)
            m_receiver(key);
    }
    return []() -> QCoro::Task<> { co_return; }();
}

} // namespace tolvane
