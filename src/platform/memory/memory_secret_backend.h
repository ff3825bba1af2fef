#pragma once

#include "platform/secret_backend.h"

#include <QHash>
#include <mutex>
#include <utility>

namespace tolvane {

// Secrets held in memory for tests and the test host. Thread-safe. Failures can be injected per operation.
class MemorySecretBackend final : public SecretBackend {
public:
    enum class Operation { store, lookup, exists, clear };

    void store(const QString& service, const QString& account, const QByteArray& secret,
               const QString& label) override;
    std::optional<QByteArray> lookup(const QString& service, const QString& account) override;
    bool exists(const QString& service, const QString& account) override;
    void clear(const QString& service, const QString& account) override;

    // Makes every later call of `operation` throw `error` until cleared with std::nullopt.
    void setFailure(Operation operation, std::optional<SecretBackendError> error);
    int itemCount() const;

private:
    void throwIfFailing(Operation operation) const;

    mutable std::mutex m_mutex;
    QHash<std::pair<QString, QString>, QByteArray> m_items;
    QHash<int, SecretBackendError> m_failures;
};

} // namespace tolvane
