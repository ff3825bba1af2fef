#pragma once

#include "core/app_error.h"

#include <QNetworkReply>
#include <QString>

namespace tolvane {

// A provider's own failure: the base URL, an unusable reply, an answer that stopped before its end, or the
// server's error message.
class AIProviderError final : public AppError {
public:
    enum class Kind {
        InvalidBaseURL,
        InvalidResponse,
        Interrupted,
        OutputLimitReached,
        ContentFiltered,
        WebPage,
        ProviderError
    };

    static AIProviderError invalidBaseURL() { return AIProviderError(Kind::InvalidBaseURL, {}); }
    static AIProviderError invalidResponse() { return AIProviderError(Kind::InvalidResponse, {}); }
    // The body ended before the server said the answer was complete.
    static AIProviderError interrupted() { return AIProviderError(Kind::Interrupted, {}); }
    // The server says it stopped the answer at its output length limit.
    static AIProviderError outputLimitReached() { return AIProviderError(Kind::OutputLimitReached, {}); }
    // The server says its content filter stopped the answer.
    static AIProviderError contentFiltered() { return AIProviderError(Kind::ContentFiltered, {}); }
    // The address answered with a web page (HTML) instead of an API answer: it points at a web site.
    static AIProviderError webPage() { return AIProviderError(Kind::WebPage, {}); }
    // The message is shown unchanged, even when empty.
    static AIProviderError providerError(QString message) {
        return AIProviderError(Kind::ProviderError, std::move(message));
    }

    Kind kind() const { return m_kind; }
    const QString& message() const { return m_message; }
    QString description() const override;

private:
    AIProviderError(Kind kind, QString message) : m_kind(kind), m_message(std::move(message)) {}
    Kind m_kind;
    QString m_message;
};

// A transport failure (no connection, TLS, idle time-out, broken transfer). Shown as a Chinese sentence that
// names the host and the kind of failure, followed by the common causes' own Chinese words or, for the rare
// ones, Qt's text.
class NetworkError final : public AppError {
public:
    enum class Cause { notResolved, refused, timedOut, tls, other };

    NetworkError(QNetworkReply::NetworkError code, QString host, QString systemMessage);

    // The server stayed silent too long; the sentence says all there is to say.
    static NetworkError timedOut(QString host) {
        return NetworkError(QNetworkReply::TimeoutError, std::move(host), QString());
    }

    QNetworkReply::NetworkError code() const { return m_code; }
    Cause cause() const;
    bool isTimeout() const { return cause() == Cause::timedOut; }
    const QString& host() const { return m_host; }
    const QString& systemMessage() const { return m_systemMessage; }
    QString description() const override;

private:
    QNetworkReply::NetworkError m_code;
    QString m_host;
    QString m_systemMessage;
};

} // namespace tolvane
