#pragma once

#include "core/async/serial_worker.h"
#include "platform/secret_backend.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <mutex>
#include <optional>

namespace tolvane {

// The application's secrets: the API key of the OpenAI-compatible provider and the hosted service's device
// credential, one item each under `service` and an account name. Every operation takes the store's own lock
// for its whole backend work, so operations never overlap; callers never lock. Keeps no cache.
// Every operation throws KeychainError on a failure other than a missing item.
//
// An operation blocks while the Secret Service answers, and a locked keyring keeps it waiting for as long as
// its unlock prompt is open. Code on the GUI thread therefore never calls one directly: it awaits
// `inBackground()`, which runs the operations on the store's own thread.
class KeychainStore {
public:
    static inline const QString defaultService = QStringLiteral("Tolvane");
    static inline const QString apiKeyAccount = QStringLiteral("openai-compatible-api-key");
    static inline const QString hostedDeviceAccount = QStringLiteral("hosted-cloud-device-credential");

    explicit KeychainStore(SecretBackend& backend, QString service = defaultService);
    KeychainStore(const KeychainStore&) = delete;
    KeychainStore& operator=(const KeychainStore&) = delete;

    const QString& service() const { return m_service; }

    // Expires when the store is destroyed. Work queued on the main loop that was handed a store pointer
    // checks it there before using the store.
    std::weak_ptr<const void> lifetime() const { return m_lifetime; }

    // Runs `job(*this)` on the store's thread; the awaiting coroutine resumes on the main loop with its
    // result or exception. Jobs run one at a time in the order given, so the operations inside one job are
    // never interleaved with another job's. A token that fires releases the waiter with CancelledError at
    // once; the job itself still completes (an open unlock prompt cannot be withdrawn).
    template <typename F>
    QCoro::Task<std::invoke_result_t<F, KeychainStore&>> inBackground(F job, CancellationToken token = {}) {
        return m_worker.run([this, job = std::move(job)] { return job(*this); }, std::move(token));
    }

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
    const std::shared_ptr<const int> m_lifetime = std::make_shared<const int>(0);
    // Last, so its thread finishes the queued jobs before the members they use are gone.
    SerialWorker m_worker;
};

} // namespace tolvane
