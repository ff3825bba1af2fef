#pragma once

#include "core/clock.h"
#include "model/cloud_translation_quality.h"
#include "providers/ai_provider.h"
#include "providers/cloud_translation_types.h"

#include <QPointer>
#include <QUrl>
#include <chrono>
#include <memory>

class QNetworkAccessManager;

namespace tolvane {

class KeychainStore;

// Translates through the hosted service: fetches the device credential, POSTs v1/translate asking for an
// event stream, and turns the answer (events or one JSON object) into text deltas and one completion.
// A refused device token leads to one forced re-registration and exactly one repeated request.
class CloudTranslationProvider final : public AIProvider {
public:
    static inline const QString providerId = QStringLiteral("hosted-cloud");
    static inline const QString kTranslatePath = QStringLiteral("v1/translate");
    static constexpr std::chrono::milliseconds kRequestIdleTimeout{60000};
    // Non-streamed answers and error bodies longer than this are refused.
    static constexpr qsizetype kBodyLimit = 512000;

    struct Configuration {
        QUrl baseURL;                           // from resolveHostedBaseURL()
        KeychainStore* keychainStore = nullptr; // the application's store; outlives every stream
        CloudTranslationQuality cloudQuality = CloudTranslationQuality::standard;
        QPointer<QNetworkAccessManager> session;
        Clock* clock = nullptr; // wall clock for the credential's expiry; the system clock when null
        std::chrono::milliseconds idleTimeout = kRequestIdleTimeout;
    };

    explicit CloudTranslationProvider(Configuration configuration);

    QString id() const override { return providerId; }
    // Deltas as they arrive, then one completed event. Never throws; failures end the stream. Closing or
    // dropping the reader stops the transfer.
    AsyncChannel<CloudTranslationStreamEvent>::Reader streamEvents(AIRequest request) const;
    // Only the text: each delta becomes one chunk (a non-streamed answer gives one, possibly empty).
    AsyncChannel<AIChunk>::Reader stream(AIRequest request) const override;

private:
    std::shared_ptr<const Configuration> m_configuration;
};

} // namespace tolvane
