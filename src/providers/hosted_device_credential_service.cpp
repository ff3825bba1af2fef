#include "providers/hosted_device_credential_service.h"

#include "core/async/one_shot.h"
#include "core/async/task.h"
#include "core/logging.h"
#include "core/uuid_text.h"
#include "model/keychain_store.h"
#include "providers/endpoint_url.h"
#include "providers/error_body.h"
#include "providers/http_exchange.h"
#include "providers/json_reader.h"
#include "providers/provider_errors.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <map>
#include <memory>
#include <vector>

namespace tolvane {

using Configuration = HostedDeviceCredentialService::Configuration;

std::optional<HostedDeviceCredential> loadDeviceCredential(KeychainStore& store) {
    const auto data = store.readData(KeychainStore::hostedDeviceAccount);
    if (!data)
        return std::nullopt;
    return HostedDeviceCredential::decode(*data);
}

void saveDeviceCredential(KeychainStore& store, const HostedDeviceCredential& credential) {
    store.saveData(credential.encode(), KeychainStore::hostedDeviceAccount);
}

namespace {

constexpr qsizetype kAnswerLimit = 512000;

// A stored item that does not decode would otherwise fail every fetch for good. Keep its installation id
// when it can be read, so the service still knows the device, and start over from there.
HostedDeviceCredential recoverUndecodableCredential(KeychainStore& store, const JsonDecodingError& error) {
    HostedDeviceCredential recovered;
    const auto raw = store.readData(KeychainStore::hostedDeviceAccount);
    const QJsonValue id =
        raw ? QJsonDocument::fromJson(*raw).object().value(QStringLiteral("installationID")) : QJsonValue();
    recovered.installationID = id.isString() && !id.toString().isEmpty() ? id.toString() : uuid::newLower();
    saveDeviceCredential(store, recovered);
    qCWarning(lcProvider).noquote() << "The stored device credential could not be read and was reset:"
                                    << error.description();
    return recovered;
}

HostedDeviceCredential loadOrCreate(KeychainStore& store) {
    std::optional<HostedDeviceCredential> stored;
    try {
        stored = loadDeviceCredential(store);
    } catch (const JsonDecodingError& error) {
        return recoverUndecodableCredential(store, error);
    }
    if (stored)
        return *stored;
    HostedDeviceCredential fresh;
    fresh.installationID = uuid::newLower();
    saveDeviceCredential(store, fresh);
    return fresh;
}

bool isReusable(const HostedDeviceCredential& credential, const QDateTime& now) {
    const QDateTime limit = now.addSecs(HostedDeviceCredentialService::kReuseMargin.count());
    return credential.deviceToken && !credential.deviceToken->isEmpty() && credential.expiresAt &&
           *credential.expiresAt > limit;
}

// The store behind `configuration`, or CancelledError when it was destroyed while the fetch waited: the
// application that owned it is going away, and nobody is left to use a credential.
KeychainStore& liveStore(const Configuration& configuration, const std::weak_ptr<const void>& storeLifetime) {
    if (storeLifetime.expired())
        throw CancelledError();
    return *configuration.keychainStore;
}

QCoro::Task<HostedDeviceCredential> registerDevice(Configuration configuration,
                                                   std::weak_ptr<const void> storeLifetime,
                                                   HostedDeviceCredential credential,
                                                   CancellationToken token) {
    if (!configuration.session)
        throw CancelledError();
    QNetworkRequest request(
        endpoint::appendingPath(configuration.baseURL, HostedDeviceCredentialService::kRegistrationPath));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    DeviceRegistrationRequest body{credential.installationID, HostedDeviceCredentialService::kPlatform, {}};
    const QString version = QCoreApplication::applicationVersion();
    if (!version.isEmpty())
        body.appVersion = version;
    HttpExchange exchange = HttpExchange::post(*configuration.session, request,
                                               QJsonDocument(body.toJson()).toJson(QJsonDocument::Compact),
                                               configuration.idleTimeout, token);
    const HttpHead head = co_await exchange.head();
    if (!head.isSuccess()) {
        const QByteArray errorBody = co_await exchange.readBodyPrefix(kAnswerLimit);
        throw AIProviderError::providerError(error_body::shownOrFallback(
            error_body::registrationMessage(errorBody),
            QStringLiteral("无法注册免费云端翻译设备，HTTP %1。").arg(head.status), {}));
    }
    const QByteArray answer = co_await exchange.readBody(kAnswerLimit);
    const DeviceRegistrationResponse response = DeviceRegistrationResponse::decode(answer);
    credential.deviceToken = response.deviceToken;
    credential.expiresAt = response.expiresAt;
    co_await liveStore(configuration, storeLifetime).inBackground([credential](KeychainStore& store) {
        saveDeviceCredential(store, credential);
    });
    co_return credential;
}

QCoro::Task<HostedDeviceCredential> performFetch(Configuration configuration,
                                                 std::weak_ptr<const void> storeLifetime, bool forceRefresh,
                                                 CancellationToken token) {
    // The keyring may wait on an unlock prompt: read it off the GUI thread. Reading, and creating the id
    // when there is none, is one job, so no other job of the store comes between them.
    HostedDeviceCredential credential =
        co_await liveStore(configuration, storeLifetime).inBackground([](KeychainStore& store) {
            return loadOrCreate(store);
        });
    if (!forceRefresh && isReusable(credential, configuration.clock->now()))
        co_return credential;
    co_return co_await registerDevice(std::move(configuration), std::move(storeLifetime),
                                      std::move(credential), std::move(token));
}

// One fetch in flight per store. The map is keyed by address, so an entry also holds its store's lifetime:
// a store made later at the address of a destroyed one never joins that store's fetch. Waiters each hold
// their own OneShot, so a waiter that gives up does not stop the fetch the others wait for.
struct InFlightFetch {
    std::weak_ptr<const void> storeLifetime;
    bool forced = false;
    std::vector<OneShot<HostedDeviceCredential>> waiters;
};

std::map<const KeychainStore*, std::shared_ptr<InFlightFetch>>& inFlightFetches() {
    static std::map<const KeychainStore*, std::shared_ptr<InFlightFetch>> fetches;
    return fetches;
}

QCoro::Task<> runSharedFetch(Configuration configuration, bool forceRefresh,
                             std::shared_ptr<InFlightFetch> fetch) {
    std::exception_ptr failure;
    std::optional<HostedDeviceCredential> credential;
    try {
        credential = co_await performFetch(configuration, fetch->storeLifetime, forceRefresh, {});
    } catch (...) {
        failure = std::current_exception();
    }
    auto& fetches = inFlightFetches();
    auto it = fetches.find(configuration.keychainStore);
    if (it != fetches.end() && it->second == fetch)
        fetches.erase(it);
    for (const auto& waiter : fetch->waiters) {
        if (failure)
            waiter.fail(failure);
        else
            waiter.resolve(*credential);
    }
}

std::shared_ptr<InFlightFetch> startSharedFetch(const Configuration& configuration, bool forceRefresh) {
    auto fetch = std::make_shared<InFlightFetch>();
    fetch->storeLifetime = configuration.keychainStore->lifetime();
    fetch->forced = forceRefresh;
    inFlightFetches()[configuration.keychainStore] = fetch;
    spawn(nullptr, lcProvider(), [configuration, forceRefresh, fetch](CancellationToken) {
        return runSharedFetch(configuration, forceRefresh, fetch);
    });
    return fetch;
}

QCoro::Task<HostedDeviceCredential> fetchShared(Configuration configuration, bool forceRefresh,
                                                CancellationToken token) {
    token.throwIfCancelled();
    auto& fetches = inFlightFetches();
    for (;;) {
        auto it = fetches.find(configuration.keychainStore);
        if (it == fetches.end())
            break;
        if (it->second->storeLifetime.expired()) {
            fetches.erase(it);
            break;
        }
        if (!forceRefresh || it->second->forced) {
            OneShot<HostedDeviceCredential> result;
            it->second->waiters.push_back(result);
            co_return co_await result.wait(token);
        }
        // A forced refresh must register anew: let the plain fetch finish, then look again.
        OneShot<HostedDeviceCredential> plain;
        it->second->waiters.push_back(plain);
        try {
            co_await plain.wait(token);
        } catch (const CancelledError&) {
            throw;
        } catch (...) {
        }
    }
    OneShot<HostedDeviceCredential> result;
    startSharedFetch(configuration, forceRefresh)->waiters.push_back(result);
    co_return co_await result.wait(token);
}

} // namespace

HostedDeviceCredentialService::HostedDeviceCredentialService(Configuration configuration)
    : m_configuration(std::move(configuration)) {
    if (!m_configuration.clock)
        m_configuration.clock = &systemClock();
}

QCoro::Task<HostedDeviceCredential>
HostedDeviceCredentialService::fetchDeviceCredential(bool forceRefresh, CancellationToken token) const {
    return fetchShared(m_configuration, forceRefresh, std::move(token));
}

} // namespace tolvane
