#include "providers/openai_compatible_provider.h"

#include "core/async/task.h"
#include "core/logging.h"
#include "core/text.h"
#include "model/api_key_text.h"
#include "providers/chat_request_builder.h"
#include "providers/endpoint_url.h"
#include "providers/error_body.h"
#include "providers/http_exchange.h"
#include "providers/provider_errors.h"
#include "providers/server_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>

namespace tolvane {

namespace {

using Configuration = OpenAICompatibleProvider::Configuration;

QNetworkRequest makeRequest(const Configuration& configuration) {
    auto base = endpoint::parseBaseURL(configuration.baseURLString);
    if (!base)
        throw AIProviderError::invalidBaseURL();
    const QString key = text::trimmed(configuration.apiKey);
    // A line break in the key would end the Authorization header and start one of the key's choosing.
    if (api_key::hasControlCharacters(key))
        throw AIProviderError::providerError(QStringLiteral(
            "API 密钥含有换行或其他控制字符，不能放进请求头，请求未发送。请在设置中重新保存 API 密钥。"));
    QNetworkRequest request(endpoint::appendingPath(*base, QStringLiteral("chat/completions")));
    request.setRawHeader("Authorization", "Bearer " + key.toUtf8());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    return request;
}

QNetworkAccessManager& sessionOf(const Configuration& configuration) {
    if (!configuration.session)
        throw CancelledError(); // the application is shutting down
    return *configuration.session;
}

// The server's words, with the key masked: a server that echoes the request must not show it.
AIProviderError errorForStatus(int status, QByteArrayView body, const Configuration& configuration) {
    return AIProviderError::providerError(error_body::shownOrFallback(
        error_body::providerMessage(body), QStringLiteral("翻译服务请求失败，HTTP %1。").arg(status),
        {text::trimmed(configuration.apiKey)}));
}

// A 200 answer that is a web page: the base URL points at a web site, not at an API.
bool isWebPage(const HttpHead& head) {
    return head.contentType.toLower().contains("text/html");
}

// One "data: " payload as a JSON object; nothing when it does not decode as one. Invalid UTF-8 is decoded
// as the event-stream format decodes it, each bad sequence (a cut character included) becoming one U+FFFD,
// so one broken byte costs one character instead of the whole piece.
std::optional<QJsonObject> chunkOf(QByteArrayView payload) {
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(payload.toByteArray(), &error);
    if (error.error == QJsonParseError::IllegalUTF8String)
        document = QJsonDocument::fromJson(text::fromUtf8Lenient(payload).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

// The first choice of a chunk; nothing for keep-alives and usage chunks.
std::optional<QJsonObject> firstChoiceOf(const QJsonObject& chunk) {
    const QJsonValue choices = chunk.value(QStringLiteral("choices"));
    if (!choices.isArray() || choices.toArray().isEmpty())
        return std::nullopt;
    const QJsonValue first = choices.toArray().first();
    if (!first.isObject())
        return std::nullopt;
    return first.toObject();
}

// Why the model stopped ("stop", "length", ...), given in the choice that ends the answer.
std::optional<QString> finishReasonOf(const QJsonObject& choice) {
    const QJsonValue reason = choice.value(QStringLiteral("finish_reason"));
    if (!reason.isString() || reason.toString().isEmpty())
        return std::nullopt;
    return reason.toString();
}

// The new text of one choice, or nothing for role-only and closing chunks.
std::optional<QString> contentOf(const QJsonObject& choice) {
    const QJsonValue delta = choice.value(QStringLiteral("delta"));
    if (!delta.isObject())
        return std::nullopt;
    const QJsonValue content = delta.toObject().value(QStringLiteral("content"));
    if (!content.isString() || content.toString().isEmpty())
        return std::nullopt;
    return content.toString();
}

QCoro::Task<> streamChat(std::shared_ptr<const Configuration> configuration, AIRequest request,
                         AsyncChannel<AIChunk>::Writer output) {
    const CancellationToken token = output.token();
    token.throwIfCancelled();
    QNetworkRequest networkRequest = makeRequest(*configuration);
    HttpExchange exchange = HttpExchange::post(sessionOf(*configuration), networkRequest,
                                               chat_request::streamingBody(configuration->model, request),
                                               configuration->streamIdleTimeout, token);
    const HttpHead head = co_await exchange.head();
    if (!head.isSuccess()) {
        const QByteArray body = co_await exchange.readBodyPrefix(OpenAICompatibleProvider::kErrorBodyLimit);
        throw errorForStatus(head.status, body, *configuration);
    }
    if (isWebPage(head))
        throw AIProviderError::webPage();

    static constexpr QByteArrayView dataPrefix("data: ");
    bool sawDone = false;
    std::optional<QString> finishReason;
    // A server that echoes the request must not get the key shown, not even split across pieces.
    server_text::StreamMask mask(text::trimmed(configuration->apiKey));
    auto deliver = [&](const QString& text) {
        if (!text.isEmpty())
            output.send(AIChunk{text});
    };
    auto onLine = [&](QByteArrayView line) {
        token.throwIfCancelled();
        if (!line.startsWith(dataPrefix))
            return true;
        const QByteArrayView payload = line.sliced(dataPrefix.size());
        if (payload == QByteArrayView("[DONE]")) {
            sawDone = true;
            return false;
        }
        // Lines that do not decode are skipped, as some servers send other notes between the chunks.
        const std::optional<QJsonObject> chunk = chunkOf(payload);
        if (!chunk)
            return true;
        if (error_body::carriesError(*chunk)) {
            // The server's failure after its 200 status: the same words as in an error body.
            throw AIProviderError::providerError(error_body::shownOrFallback(
                error_body::providerMessage(payload), QStringLiteral("翻译服务在返回结果时报告了错误。"),
                {text::trimmed(configuration->apiKey)}));
        }
        const std::optional<QJsonObject> choice = firstChoiceOf(*chunk);
        if (!choice)
            return true;
        if (auto content = contentOf(*choice))
            deliver(mask.feed(*content));
        if (auto reason = finishReasonOf(*choice))
            finishReason = reason;
        return true;
    };
    try {
        co_await readBodyLines(exchange, onLine, token);
    } catch (...) {
        // What arrived before a failure stays delivered.
        deliver(mask.finish());
        throw;
    }
    deliver(mask.finish());
    // A server that keeps the connection open after [DONE] must not hold it.
    if (sawDone)
        exchange.finishEarly();
    // The model stopped at its token limit: what arrived is only the start of the translation.
    if (finishReason == QLatin1String("length"))
        throw AIProviderError::outputLimitReached();
    // A filtered answer breaks off where the filter stopped it.
    if (finishReason == QLatin1String("content_filter"))
        throw AIProviderError::contentFiltered();
    // A body whose end is the connection's close ends without an error when the connection breaks, so an
    // answer is complete only when the server said so, by [DONE] or by a finish reason.
    if (!sawDone && !finishReason)
        throw AIProviderError::interrupted();
}

QCoro::Task<> runChatStream(std::shared_ptr<const Configuration> configuration, AIRequest request,
                            AsyncChannel<AIChunk>::Writer output) {
    try {
        co_await streamChat(std::move(configuration), std::move(request), output);
        output.finish();
    } catch (...) {
        output.fail(std::current_exception());
    }
}

QCoro::Task<> runConnectionTest(std::shared_ptr<const Configuration> configuration, CancellationToken token) {
    token.throwIfCancelled();
    QNetworkRequest networkRequest = makeRequest(*configuration);
    HttpExchange exchange = HttpExchange::post(sessionOf(*configuration), networkRequest,
                                               chat_request::connectionTestBody(configuration->model),
                                               configuration->connectionTestIdleTimeout, token);
    const HttpHead head = co_await exchange.head();
    const QByteArray body = co_await exchange.readBodyPrefix(OpenAICompatibleProvider::kErrorBodyLimit);
    if (!head.isSuccess())
        throw errorForStatus(head.status, body, *configuration);
    if (isWebPage(head))
        throw AIProviderError::webPage();
}

} // namespace

OpenAICompatibleProvider::OpenAICompatibleProvider(QString baseURLString, QString model, QString apiKey,
                                                   QNetworkAccessManager* session)
    : OpenAICompatibleProvider(
          Configuration{std::move(baseURLString), std::move(model), std::move(apiKey), session}) {}

OpenAICompatibleProvider::OpenAICompatibleProvider(Configuration configuration)
    : m_configuration(std::make_shared<const Configuration>(std::move(configuration))) {}

AsyncChannel<AIChunk>::Reader OpenAICompatibleProvider::stream(AIRequest request) const {
    auto channel = AsyncChannel<AIChunk>::create();
    spawn(nullptr, lcProvider(),
          [configuration = m_configuration, request = std::move(request), writer = channel.first](
              CancellationToken) { return runChatStream(configuration, request, writer); });
    return std::move(channel.second);
}

QCoro::Task<> OpenAICompatibleProvider::testConnection(CancellationToken token) const {
    return runConnectionTest(m_configuration, std::move(token));
}

} // namespace tolvane
