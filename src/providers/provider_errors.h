#pragma once

#include "core/app_error.h"

#include <QNetworkReply>
#include <QString>

namespace tolvane {

// A provider's own failure: the base URL, an unusable reply, or the server's error message.
class AIProviderError final : public AppError {
public:
    enum class Kind { InvalidBaseURL, InvalidResponse, ProviderError };

    static AIProviderError invalidBaseURL() { return AIProviderError(Kind::InvalidBaseURL, {}); }
    static AIProviderError invalidResponse() { return AIProviderError(Kind::InvalidResponse, {}); }
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

// A transport failure (no connection, TLS, idle time-out, broken transfer) with Qt's code and text.
class NetworkError final : public AppError {
public:
    NetworkError(QNetworkReply::NetworkError code, QString message)
        : m_code(code), m_message(std::move(message)) {}

    static NetworkError timedOut() {
        return NetworkError(QNetworkReply::TimeoutError, QStringLiteral("The request timed out."));
    }

    QNetworkReply::NetworkError code() const { return m_code; }
    bool isTimeout() const { return m_code == QNetworkReply::TimeoutError; }
    QString description() const override { return m_message; }

private:
    QNetworkReply::NetworkError m_code;
    QString m_message;
};

} // namespace tolvane
