#pragma once

#include "core/async/cancellation.h"
#include "core/clock.h"
#include "providers/device_registration_types.h"

#include <QCoroTask>
#include <QPointer>
#include <QUrl>
#include <chrono>
#include <optional>

class QNetworkAccessManager;

namespace tolvane {

class KeychainStore;

// The stored credential; none when there is no item. Throws KeychainError or JsonDecodingError.
std::optional<HostedDeviceCredential> loadDeviceCredential(KeychainStore& store);
// Replaces the stored credential. Throws KeychainError.
void saveDeviceCredential(KeychainStore& store, const HostedDeviceCredential& credential);

// Keeps the hosted service's device credential: an installation id made once, and a token reused while it
// has more than a day left, else renewed by registering the device. Holds no state between uses.
class HostedDeviceCredentialService {
public:
    static constexpr std::chrono::seconds kReuseMargin{86400};
    static constexpr std::chrono::milliseconds kRequestIdleTimeout{60000};
    static inline const QString kRegistrationPath = QStringLiteral("v1/device/register");
    static inline const QString kPlatform = QStringLiteral("linux");

    struct Configuration {
        QUrl baseURL;
        KeychainStore* keychainStore = nullptr; // the application's store; outlives every fetch
        QPointer<QNetworkAccessManager> session;
        Clock* clock = nullptr; // wall clock for the expiry test
        std::chrono::milliseconds idleTimeout = kRequestIdleTimeout;
    };

    explicit HostedDeviceCredentialService(Configuration configuration);

    // The credential to use. Without forceRefresh it may come from the store without network traffic; with
    // it the device always registers again (keeping its installation id). Concurrent fetches on one store
    // share a single registration. Throws KeychainError, AIProviderError, JsonDecodingError, NetworkError,
    // or CancelledError when `token` fires (the shared registration still completes for others).
    QCoro::Task<HostedDeviceCredential> fetchDeviceCredential(bool forceRefresh,
                                                              CancellationToken token = {}) const;

private:
    Configuration m_configuration;
};

} // namespace tolvane
