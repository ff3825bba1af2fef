#pragma once

#include "workflow/translation_provider_factory.h"

#include <QNetworkAccessManager>
#include <QPointer>
#include <QUrl>

namespace tolvane {

class Clock;
class KeychainStore;

// Builds the real providers over the application's one long-lived network manager: the chat-completions
// client for the user's endpoint and the hosted-service client (with its device credential kept in the
// KeychainStore) for the resolved hosted base URL.
class NetworkTranslationProviderFactory final : public TranslationProviderFactory {
public:
    struct Configuration {
        QPointer<QNetworkAccessManager> session; // outlives every stream it carries
        QUrl hostedBaseURL;                      // resolveHostedBaseURL() in the application
        KeychainStore* keychainStore = nullptr;  // holds the hosted device credential
        Clock* clock = nullptr;                  // wall clock for the credential's expiry
    };

    explicit NetworkTranslationProviderFactory(Configuration configuration)
        : m_configuration(std::move(configuration)) {}

    std::unique_ptr<AIProvider> makeChat(const QString& baseURL, const QString& model,
                                         const QString& apiKey) override;
    std::unique_ptr<HostedTranslationProvider> makeHosted(CloudTranslationQuality quality) override;

private:
    Configuration m_configuration;
};

} // namespace tolvane
