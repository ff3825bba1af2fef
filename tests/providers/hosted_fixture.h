#pragma once

#include "model/keychain_store.h"
#include "platform/memory/memory_secret_backend.h"
#include "providers/network_test_support.h"
#include "support/fake_hosted_server.h"
#include "support/virtual_clock.h"

#include <QJsonDocument>

namespace tolvane::testing {

// Records every stored payload of the wrapped in-memory backend.
class RecordingSecretBackend final : public SecretBackend {
public:
    void store(const QString& service, const QString& account, const QByteArray& secret,
               const QString& label) override {
        writes.append(secret);
        inner.store(service, account, secret, label);
    }
    std::optional<QByteArray> lookup(const QString& service, const QString& account) override {
        if (beforeLookup)
            beforeLookup();
        return inner.lookup(service, account);
    }
    bool exists(const QString& service, const QString& account) override {
        return inner.exists(service, account);
    }
    void clear(const QString& service, const QString& account) override { inner.clear(service, account); }

    MemorySecretBackend inner;
    QList<QByteArray> writes;
    std::function<void()> beforeLookup; // runs on the calling thread, e.g. to stand for a slow keyring
};

// A fake hosted service, an in-memory secret store and a virtual wall clock.
class HostedFixture {
public:
    HostedFixture() { clock.setNow(QDateTime(QDate(2030, 1, 1), QTime(0, 0), Qt::UTC)); }

    std::optional<QJsonObject> storedCredential() {
        auto data = store.readData(KeychainStore::hostedDeviceAccount);
        if (!data)
            return std::nullopt;
        return QJsonDocument::fromJson(*data).object();
    }
    void storeRaw(const QByteArray& data) {
        store.saveData(data, KeychainStore::hostedDeviceAccount);
        secrets.writes.clear();
    }
    // A registered credential expiring `secondsAhead` after the virtual now.
    void storeRegistered(const QString& id, const QString& token, qint64 secondsAhead) {
        const double expires = clock.now().addSecs(secondsAhead).toSecsSinceEpoch() - 978307200.0;
        storeRaw(
            QJsonDocument(QJsonObject{{"installationID", id}, {"deviceToken", token}, {"expiresAt", expires}})
                .toJson(QJsonDocument::Compact));
    }

    std::unique_ptr<QNetworkAccessManager> manager = makeLoopbackManager();
    FakeHostedService service;
    RecordingSecretBackend secrets;
    KeychainStore store{secrets};
    VirtualClock clock;
};

} // namespace tolvane::testing
