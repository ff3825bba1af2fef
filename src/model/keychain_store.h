#pragma once

#include "platform/secret_backend.h"

#include <QByteArray>
#include <QString>
#include <mutex>
#include <optional>

namespace tolvane {

// The application's secrets: the API key of the OpenAI-compatible provider and the hosted service's device
// credential, one item each under `service` and an account name. Every operation takes the store's own lock
// for its whole backend work, so operations never overlap; callers never lock. Keeps no cache.
// Every operation throws KeychainError on a failure other than a missing item.
class KeychainStore {
public:
    static inline const QString defaultService = QStringLiteral("Tolvane");
    static inline const QString apiKeyAccount = QStringLiteral("openai-compatible-api-key");
    static inline const QString hostedDeviceAccount = QStringLiteral("hosted-cloud-device-credential");

    explicit KeychainStore(SecretBackend& backend, QString service = defaultService);
    KeychainStore(const KeychainStore&) = delete;
    KeychainStore& operator=(const KeychainStore&) = delete;

    const QString& service() const { return m_service; }

    // Replaces the API key in one step: when saving fails the previous key stays. Stored unchanged.
    void saveAPIKey(const QString& key);
    // None when there is no key or its data is not valid UTF-8.
    std::optional<QString> readAPIKey();
    bool hasAPIKey();
    // A missing item is no error.
    void deleteAPIKey();
    void deleteItem(const QString& account);

    // Raw items for the device credential service. Replacing is one step, as for the API key.
    void saveData(const QByteArray& data, const QString& account);
    std::optional<QByteArray> readData(const QString& account);

private:
    void saveLocked(const QByteArray& data, const QString& account);
    std::optional<QByteArray> readLocked(const QString& account);

    SecretBackend& m_backend;
    const QString m_service;
    std::mutex m_mutex;
};

} // namespace tolvane
