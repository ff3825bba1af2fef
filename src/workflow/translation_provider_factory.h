#pragma once

#include "core/async/async_channel.h"
#include "model/ai_request.h"
#include "model/cloud_translation_quality.h"
#include "providers/ai_provider.h"
#include "providers/cloud_translation_types.h"

#include <QString>
#include <memory>

namespace tolvane {

// The hosted service as the pipeline uses it: text deltas, then the completed result with quota figures.
// Closing or dropping the reader stops the network work.
class HostedTranslationProvider {
public:
    virtual ~HostedTranslationProvider() = default;
    virtual AsyncChannel<CloudTranslationStreamEvent>::Reader streamEvents(const AIRequest& request) = 0;
};

// Builds the providers of one translation. The application's factory shares one network manager and the
// resolved hosted base URL; tests script the streams.
class TranslationProviderFactory {
public:
    virtual ~TranslationProviderFactory() = default;
    // Base URL and model are passed as stored; the key is already trimmed and not empty.
    virtual std::unique_ptr<AIProvider> makeChat(const QString& baseURL, const QString& model,
                                                 const QString& apiKey) = 0;
    virtual std::unique_ptr<HostedTranslationProvider> makeHosted(CloudTranslationQuality quality) = 0;
};

} // namespace tolvane
