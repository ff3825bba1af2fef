#include "platform/memory/memory_secret_backend.h"

namespace tolvane {

void MemorySecretBackend::store(const QString& service, const QString& account, const QByteArray& secret,
                                const QString&) {
    std::lock_guard lock(m_mutex);
    throwIfFailing(Operation::store);
    m_items.insert({service, account}, secret);
}

std::optional<QByteArray> MemorySecretBackend::lookup(const QString& service, const QString& account) {
    std::lock_guard lock(m_mutex);
    throwIfFailing(Operation::lookup);
    auto it = m_items.constFind({service, account});
    if (it == m_items.constEnd())
        return std::nullopt;
    return *it;
}

bool MemorySecretBackend::exists(const QString& service, const QString& account) {
    std::lock_guard lock(m_mutex);
    throwIfFailing(Operation::exists);
    return m_items.contains({service, account});
}

void MemorySecretBackend::clear(const QString& service, const QString& account) {
    std::lock_guard lock(m_mutex);
    throwIfFailing(Operation::clear);
    m_items.remove({service, account});
}

void MemorySecretBackend::setFailure(Operation operation, std::optional<SecretBackendError> error) {
    std::lock_guard lock(m_mutex);
    if (error)
        m_failures.insert(static_cast<int>(operation), *error);
    else
        m_failures.remove(static_cast<int>(operation));
}

int MemorySecretBackend::itemCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_items.size());
}

void MemorySecretBackend::throwIfFailing(Operation operation) const {
    auto it = m_failures.constFind(static_cast<int>(operation));
    if (it != m_failures.constEnd())
        throw *it;
}

} // namespace tolvane
