#pragma once

#include "providers/ai_provider.h"

#include <QCoroTask>
#include <QPointer>
#include <chrono>
#include <memory>

class QNetworkAccessManager;

namespace tolvane {

// Translates through any endpoint that speaks the chat-completions protocol with server-sent streaming:
// POST <base path>/chat/completions with the user's model and bearer key; each new "content" of the first
// choice becomes one AIChunk. Immutable; every call is independent.
class OpenAICompatibleProvider final : public AIProvider {
public:
    static inline const QString providerId = QStringLiteral("openai-compatible");
    // The longest silence allowed while waiting for or reading an answer.
    static constexpr std::chrono::milliseconds kStreamIdleTimeout{60000};
    static constexpr std::chrono::milliseconds kConnectionTestIdleTimeout{30000};
    // The most of an error body that is read for its message.
    static constexpr qsizetype kErrorBodyLimit = 512000;

    struct Configuration {
        QString baseURLString; // as configured; trimmed and checked per request
        QString model;
        QString apiKey;
        QPointer<QNetworkAccessManager> session; // the application's long-lived manager
        std::chrono::milliseconds streamIdleTimeout = kStreamIdleTimeout;
        std::chrono::milliseconds connectionTestIdleTimeout = kConnectionTestIdleTimeout;
    };

    OpenAICompatibleProvider(QString baseURLString, QString model, QString apiKey,
                             QNetworkAccessManager* session);
    explicit OpenAICompatibleProvider(Configuration configuration);

    QString id() const override { return providerId; }
    AsyncChannel<AIChunk>::Reader stream(AIRequest request) const override;

    // Sends a minimal non-streaming request; returns for any 2xx status. Throws AIProviderError (base URL,
    // not HTTP, the endpoint's message), NetworkError or CancelledError.
    QCoro::Task<> testConnection(CancellationToken token = {}) const;

private:
    std::shared_ptr<const Configuration> m_configuration;
};

} // namespace tolvane
