#include "providers/cloud_translation_provider.h"

#include "core/async/task.h"
#include "core/logging.h"
#include "core/text.h"
#include "core/uuid_text.h"
#include "model/raw_enum.h"
#include "providers/endpoint_url.h"
#include "providers/error_body.h"
#include "providers/hosted_device_credential_service.h"
#include "providers/hosted_event_stream_parser.h"
#include "providers/http_exchange.h"
#include "providers/provider_errors.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>

namespace tolvane {

namespace {

using Configuration = CloudTranslationProvider::Configuration;
using EventWriter = AsyncChannel<CloudTranslationStreamEvent>::Writer;

HostedDeviceCredentialService credentialService(const Configuration& configuration) {
    return HostedDeviceCredentialService({configuration.baseURL, configuration.keychainStore,
                                          configuration.session, configuration.clock,
                                          configuration.idleTimeout});
}

QByteArray translateBody(const Configuration& configuration, const AIRequest& request,
                         const QString& deviceToken) {
    CloudTranslationRequest body;
    body.deviceToken = deviceToken;
    body.sourceText = request.sourceText;
    body.sourceLanguage = request.sourceLanguage;
    body.targetLanguage = request.targetLanguage;
    body.style = rawValue(request.style);
    body.cloudQuality = configuration.cloudQuality == CloudTranslationQuality::advanced
                            ? QStringLiteral("advanced")
                            : QStringLiteral("standard");
    body.glossary = CloudTranslationRequest::activeTerms(request.glossaryTerms);
    return QJsonDocument(body.toJson()).toJson(QJsonDocument::Compact);
}

QNetworkRequest translateRequest(const Configuration& configuration) {
    QNetworkRequest request(
        endpoint::appendingPath(configuration.baseURL, CloudTranslationProvider::kTranslatePath));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    request.setRawHeader("Accept", "text/event-stream");
    // A new id for every request, the repeated one included.
    const QByteArray requestId = uuid::newLower().toLatin1();
    request.setRawHeader("Idempotency-Key", requestId);
    request.setRawHeader("X-Request-ID", requestId);
    return request;
}

QCoro::Task<> readEventStream(HttpExchange& exchange, EventWriter output, QString deviceToken,
                              CancellationToken token) {
    HostedEventStreamParser parser({std::move(deviceToken)});
    auto deliver = [&output](CloudTranslationStreamEvent event) { output.send(std::move(event)); };
    auto onLine = [&](QByteArrayView line) {
        token.throwIfCancelled();
        return parser.handleLine(text::fromUtf8Lenient(line), deliver);
    };
    co_await readBodyLines(exchange, onLine, token);
    if (parser.isDone()) {
        // The translation is complete; nothing after "done" is read.
        exchange.finishEarly();
        co_return;
    }
    parser.finish(deliver);
}

// One exchange: true when it asks for the request to be repeated after a forced re-registration.
QCoro::Task<bool> performTranslateRequest(std::shared_ptr<const Configuration> configuration,
                                          AIRequest request, EventWriter output, bool allowRetry,
                                          CancellationToken token) {
    const HostedDeviceCredential credential =
        co_await credentialService(*configuration).fetchDeviceCredential(false, token);
    token.throwIfCancelled();
    if (!credential.deviceToken || credential.deviceToken->isEmpty())
        throw AIProviderError::invalidResponse();
    if (!configuration->session)
        throw CancelledError();

    HttpExchange exchange = HttpExchange::post(
        *configuration->session, translateRequest(*configuration),
        translateBody(*configuration, request, *credential.deviceToken), configuration->idleTimeout, token);
    const HttpHead head = co_await exchange.head();
    if (!head.isSuccess()) {
        const QByteArray body = co_await exchange.readBody(CloudTranslationProvider::kBodyLimit);
        if (allowRetry && error_body::isDeviceTokenError(body)) {
            co_await credentialService(*configuration).fetchDeviceCredential(true, token);
            co_return true;
        }
        throw AIProviderError::providerError(error_body::shownOrFallback(
            error_body::translateMessage(body),
            QStringLiteral("云端翻译请求失败，HTTP %1。").arg(head.status), {*credential.deviceToken}));
    }
    if (head.contentType.toLower().contains("text/event-stream")) {
        co_await readEventStream(exchange, output, *credential.deviceToken, token);
        co_return false;
    }
    const QByteArray body = co_await exchange.readBody(CloudTranslationProvider::kBodyLimit);
    const CloudTranslationResponse response = decodeCloudPayload(body);
    output.send(CloudTranslationStreamEvent::delta(response.translatedText));
    output.send(CloudTranslationStreamEvent::completed(CloudTranslationResult::fromResponse(response)));
    co_return false;
}

QCoro::Task<> runEventStream(std::shared_ptr<const Configuration> configuration, AIRequest request,
                             EventWriter output) {
    try {
        const CancellationToken token = output.token();
        token.throwIfCancelled();
        // At most two attempts: the second only after a refused device token was renewed.
        bool repeat = co_await performTranslateRequest(configuration, request, output, true, token);
        if (repeat)
            co_await performTranslateRequest(configuration, request, output, false, token);
        output.finish();
    } catch (...) {
        output.fail(std::current_exception());
    }
}

QCoro::Task<> runChunkAdapter(AsyncChannel<CloudTranslationStreamEvent>::Reader events,
                              AsyncChannel<AIChunk>::Writer output) {
    try {
        // Waiting with the output's token: a consumer that goes away ends this loop, and dropping
        // `events` then stops the event stream's transfer.
        while (auto event = co_await events.next(output.token())) {
            if (event->kind == CloudTranslationStreamEvent::Kind::delta)
                output.send(AIChunk{event->text});
        }
        output.finish();
    } catch (...) {
        output.fail(std::current_exception());
    }
}

} // namespace

CloudTranslationProvider::CloudTranslationProvider(Configuration configuration) {
    if (!configuration.clock)
        configuration.clock = &systemClock();
    m_configuration = std::make_shared<const Configuration>(std::move(configuration));
}

AsyncChannel<CloudTranslationStreamEvent>::Reader
CloudTranslationProvider::streamEvents(AIRequest request) const {
    auto channel = AsyncChannel<CloudTranslationStreamEvent>::create();
    spawn(nullptr, lcProvider(),
          [configuration = m_configuration, request = std::move(request), writer = channel.first](
              CancellationToken) { return runEventStream(configuration, request, writer); });
    return std::move(channel.second);
}

AsyncChannel<AIChunk>::Reader CloudTranslationProvider::stream(AIRequest request) const {
    auto channel = AsyncChannel<AIChunk>::create();
    // The event reader moves into the adapter task, which owns it from then on.
    auto events =
        std::make_shared<AsyncChannel<CloudTranslationStreamEvent>::Reader>(streamEvents(std::move(request)));
    spawn(nullptr, lcProvider(), [events, writer = channel.first](CancellationToken) {
        return runChunkAdapter(std::move(*events), writer);
    });
    return std::move(channel.second);
}

} // namespace tolvane
