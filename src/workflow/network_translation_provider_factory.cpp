#include "workflow/network_translation_provider_factory.h"

#include "providers/cloud_translation_provider.h"
#include "providers/openai_compatible_provider.h"

#include <QNetworkAccessManager>

namespace tolvane {

namespace {

// The hosted client as the pipeline sees it.
class CloudHostedTranslationProvider final : public HostedTranslationProvider {
public:
    explicit CloudHostedTranslationProvider(CloudTranslationProvider::Configuration configuration)
        : m_provider(std::move(configuration)) {}

    AsyncChannel<CloudTranslationStreamEvent>::Reader streamEvents(const AIRequest& request) override {
        return m_provider.streamEvents(request);
    }

private:
    CloudTranslationProvider m_provider;
};

} // namespace

std::unique_ptr<AIProvider> NetworkTranslationProviderFactory::makeChat(const QString& baseURL,
                                                                        const QString& model,
                                                                        const QString& apiKey) {
    return std::make_unique<OpenAICompatibleProvider>(baseURL, model, apiKey, m_configuration.session);
}

std::unique_ptr<HostedTranslationProvider>
NetworkTranslationProviderFactory::makeHosted(CloudTranslationQuality quality) {
    CloudTranslationProvider::Configuration configuration;
    configuration.baseURL = m_configuration.hostedBaseURL;
    configuration.keychainStore = m_configuration.keychainStore;
    configuration.cloudQuality = quality;
    configuration.session = m_configuration.session;
    configuration.clock = m_configuration.clock;
    return std::make_unique<CloudHostedTranslationProvider>(std::move(configuration));
}

} // namespace tolvane
