#include "providers/cloud_translation_provider.h"

#include "core/uuid_text.h"
#include "providers/hosted_event_stream_parser.h"
#include "providers/hosted_fixture.h"
#include "providers/provider_errors.h"
#include "providers/stream_collector.h"
#include "support/translation_request.h"

#include <QJsonArray>
#include <QUuid>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace tolvane {
namespace {

using testing::collect;
using testing::errorAs;
using testing::expectProviderMessage;
using testing::FakeHostedService;
using testing::FakeResponse;
using Event = CloudTranslationStreamEvent;

AIRequest sampleRequest() {
    return testing::translationRequest(QStringLiteral(" Hello "), QStringLiteral("zh-Hans"),
                                       TranslationStyle::polished,
                                       {{QUuid::createUuid(), " API ", "接口"},
                                        {QUuid::createUuid(), "  ", "blank"},
                                        {QUuid::createUuid(), " API ", "接口"}});
}

class CloudProviderTest : public ::testing::Test, protected testing::HostedFixture {
protected:
    CloudTranslationProvider provider(CloudTranslationQuality quality = CloudTranslationQuality::standard,
                                      std::chrono::milliseconds idle = 5000ms) {
        return CloudTranslationProvider({service.baseURL(), &store, quality, manager.get(), &clock, idle});
    }
    testing::Collected<Event> events(AIRequest request = sampleRequest(),
                                     std::chrono::milliseconds idle = 5000ms) {
        return collect<Event>(
            provider(CloudTranslationQuality::standard, idle).streamEvents(std::move(request)));
    }
};

TEST_F(CloudProviderTest, SendsTheTranslateRequestWithTheDeviceToken) {
    auto result = collect<Event>(provider(CloudTranslationQuality::advanced).streamEvents(sampleRequest()));
    ASSERT_FALSE(result.failure) << describeError(result.failure).toStdString();
    ASSERT_EQ(result.values.size(), 2);
    EXPECT_EQ(result.values[0], Event::delta("Hello"));
    EXPECT_EQ(result.values[1].result.quotaUsed, 42);

    ASSERT_EQ(service.translateRequests().size(), 1);
    const auto sent = service.translateRequests()[0];
    EXPECT_EQ(sent.header("Content-Type"), "application/json");
    EXPECT_EQ(sent.header("Accept"), "text/event-stream");
    EXPECT_EQ(sent.header("Idempotency-Key"), sent.header("X-Request-ID"));
    EXPECT_TRUE(uuid::parseStrict(QString::fromLatin1(sent.header("Idempotency-Key"))));
    EXPECT_EQ(sent.header("Idempotency-Key"), sent.header("Idempotency-Key").toLower());
    EXPECT_FALSE(sent.hasHeader("Authorization"));
    const QJsonObject expected{
        {"device_token", "token-1"},
        {"source_text", " Hello "},
        {"source_language", "auto"},
        {"target_language", "zh-Hans"},
        {"style", "polished"},
        {"cloud_quality", "advanced"},
        {"glossary", QJsonArray{QJsonObject{{"source", " API "}, {"target", "接口"}},
                                QJsonObject{{"source", " API "}, {"target", "接口"}}}}};
    EXPECT_EQ(sent.jsonBody(), expected);

    // A second translation reuses the stored token and a new request id.
    collect<Event>(provider().streamEvents(sampleRequest()));
    EXPECT_EQ(service.registrationRequests().size(), 1);
    EXPECT_NE(service.translateRequests()[1].header("Idempotency-Key"), sent.header("Idempotency-Key"));
    EXPECT_EQ(service.translateRequests()[1].jsonBody().value("cloud_quality").toString(), "standard");
}

TEST_F(CloudProviderTest, StreamsWithAwkwardChunkingAndStopsAtDone) {
    const QByteArray first = FakeHostedService::event("delta", R"({"text":"中文"})");
    const qsizetype split = first.indexOf("\xE4") + 1;
    FakeResponse stream =
        FakeHostedService::eventStream({first.left(split), first.mid(split).replace("\n", "\r\n"),
                                        "event: delta\rdata: {\"text\":", "\"b\"}\r", "\n\r\n",
                                        FakeHostedService::event("done", FakeHostedService::answer("中文b")),
                                        FakeHostedService::event("delta", R"({"text":"after"})")},
                                       5, "Text/Event-Stream; Charset=UTF-8");
    stream.stallAfterParts = true; // "done" must end reading without waiting for the connection
    service.enqueueTranslation(stream);
    auto result = events(sampleRequest(), 1000ms);
    ASSERT_FALSE(result.failure) << describeError(result.failure).toStdString();
    ASSERT_EQ(result.values.size(), 3);
    EXPECT_EQ(result.values[0], Event::delta(QString::fromUtf8("中文")));
    EXPECT_EQ(result.values[1], Event::delta("b"));
    EXPECT_EQ(result.values[2].result.translatedText, QString::fromUtf8("中文b"));
}

// A character the service cut short costs one U+FFFD, not one per byte it sent of it.
TEST_F(CloudProviderTest, ACutCharacterInAStreamedPieceIsOneReplacementCharacter) {
    service.enqueueTranslation(FakeHostedService::eventStream(
        {"event: delta\ndata: {\"text\":\"a\xE4\xB8"
         "b\"}\n\n",
         FakeHostedService::event("done", FakeHostedService::answer("a\uFFFDb"))}));
    auto result = events();
    ASSERT_FALSE(result.failure) << describeError(result.failure).toStdString();
    ASSERT_EQ(result.values.size(), 2);
    EXPECT_EQ(result.values[0].kind, Event::Kind::delta);
    EXPECT_EQ(result.values[0].text, QStringLiteral("a\uFFFDb"));
}

TEST_F(CloudProviderTest, NonStreamedAnswersAreCappedAndDecoded) {
    auto padded = [](qsizetype size) {
        QByteArray body = R"({"translated_text":"ok","model":")";
        body += QByteArray(size - body.size() - 2, 'm') + "\"}";
        return body;
    };
    service.enqueueTranslation(FakeResponse::json(200, padded(512000)));
    auto exact = events();
    ASSERT_FALSE(exact.failure) << describeError(exact.failure).toStdString();
    ASSERT_EQ(exact.values.size(), 2);
    EXPECT_EQ(exact.values[0], Event::delta("ok"));
    EXPECT_EQ(exact.values[1].kind, Event::Kind::completed);

    service.enqueueTranslation(FakeResponse::json(200, padded(512001)));
    expectProviderMessage(events().failure, QStringLiteral("翻译服务返回了无法识别的回答。"));

    // Through the chunk interface an empty non-streamed answer is one empty chunk.
    service.enqueueTranslation(FakeResponse::json(200, R"({"text":""})"));
    auto chunks = collect<AIChunk>(provider().stream(sampleRequest()));
    ASSERT_FALSE(chunks.failure);
    ASSERT_EQ(chunks.values.size(), 1);
    EXPECT_TRUE(chunks.values[0].text.isEmpty());
    // A streamed answer gives only its non-empty deltas.
    auto streamed = collect<AIChunk>(provider().stream(sampleRequest()));
    ASSERT_EQ(streamed.values.size(), 1);
    EXPECT_EQ(streamed.values[0].text, "Hello");
}

TEST_F(CloudProviderTest, ARefusedDeviceTokenIsRenewedOnceAndRetriedOnce) {
    service.enqueueTranslation(FakeResponse::json(401, R"({"error":"device_token_expired"})"));
    auto retried = events();
    ASSERT_FALSE(retried.failure) << describeError(retried.failure).toStdString();
    ASSERT_EQ(service.registrationRequests().size(), 2);
    ASSERT_EQ(service.translateRequests().size(), 2);
    EXPECT_EQ(service.translateRequests()[0].jsonBody().value("device_token").toString(), "token-1");
    EXPECT_EQ(service.translateRequests()[1].jsonBody().value("device_token").toString(), "token-2");
    EXPECT_NE(service.translateRequests()[0].header("Idempotency-Key"),
              service.translateRequests()[1].header("Idempotency-Key"));

    // The same refusal again ends with its words; no third request.
    service.enqueueTranslation(FakeResponse::json(401, R"({"error":"device_token_invalid"})"));
    service.enqueueTranslation(FakeResponse::json(401, R"({"error":"device_token_invalid"})"));
    expectProviderMessage(events().failure, "device_token_invalid");
    EXPECT_EQ(service.translateRequests().size(), 4);

    // Other statuses are never retried.
    service.enqueueTranslation(
        FakeResponse::json(429, R"({"error":"missing_device_token_x","message":"slow down"})"));
    expectProviderMessage(events().failure, "slow down");
    service.enqueueTranslation(FakeResponse::json(500, ""));
    expectProviderMessage(events().failure, QString::fromUtf8("云端翻译请求失败，HTTP 500。"));
    service.enqueueTranslation(FakeResponse::withBody(500, "text/plain", QByteArray(512001, 'e')));
    expectProviderMessage(events().failure, QStringLiteral("翻译服务返回了无法识别的回答。"));
    EXPECT_EQ(service.registrationRequests().size(), 3);
}

TEST_F(CloudProviderTest, AnEventThatNeverEndsIsRefusedAtItsCapWithoutReadingFurther) {
    // 256 MiB of data lines that never dispatch, made as the client reads them.
    FakeResponse endless = FakeHostedService::eventStream({"event: delta\n"});
    const QByteArray lines = QByteArray("data: ").append(QByteArray(4089, 'x')).append('\n').repeated(256);
    qint64 sent = 0;
    endless.source = [&]() -> QByteArray {
        if (sent >= 256ll * 1024 * 1024)
            return {};
        sent += lines.size();
        return lines;
    };
    service.enqueueTranslation(endless);
    expectProviderMessage(events().failure, QStringLiteral("翻译服务返回了无法识别的回答。"));
    // What was sent beyond the cap is only what the read-ahead and the sockets' buffers hold.
    EXPECT_LT(sent, HostedEventStreamParser::kMaxEventBytes + 24ll * 1024 * 1024)
        << "the transfer stops once the event is too long";
    EXPECT_TRUE(service.server.waitForClientAborts(1));
}

TEST_F(CloudProviderTest, AnErrorEchoingTheRequestNeverShowsTheDeviceToken) {
    service.setTranslationHandler([](const testing::CapturedRequest& request) {
        return FakeResponse::withBody(400, "text/plain", "you sent: " + request.body);
    });
    const auto echoed = errorAs<AIProviderError>(events().failure);
    ASSERT_TRUE(echoed);
    EXPECT_TRUE(echoed->description().contains(QString::fromUtf8(R"("device_token":"••••••")")))
        << echoed->description().toStdString();
    EXPECT_FALSE(echoed->description().contains("token-1"));
}

TEST_F(CloudProviderTest, AnEmptyStoredTokenIsNeverSent) {
    service.enqueueRegistration(FakeHostedService::registered("", "2099-01-01T00:00:00Z"));
    expectProviderMessage(events().failure, QStringLiteral("翻译服务返回了无法识别的回答。"));
    EXPECT_TRUE(service.translateRequests().isEmpty());
    // The next fetch registers again.
    ASSERT_FALSE(events().failure);
    EXPECT_EQ(service.registrationRequests().size(), 2);
}

TEST_F(CloudProviderTest, CancellingClosesTheConnectionAndStallsTimeOut) {
    FakeResponse open =
        FakeHostedService::eventStream({FakeHostedService::event("delta", R"({"text":"one"})"),
                                        FakeHostedService::event("delta", R"({"text":"two"})")},
                                       50);
    open.stallAfterParts = true;
    service.enqueueTranslation(open);
    auto dropped = collect<AIChunk>(provider().stream(sampleRequest()),
                                    [](const QList<AIChunk>& got) { return got.isEmpty(); });
    EXPECT_EQ(dropped.values.size(), 1);
    EXPECT_TRUE(service.server.waitForClientAborts(1)) << "dropping the chunk reader must stop the transfer";

    service.enqueueTranslation(open);
    auto stalled = events(sampleRequest(), 200ms);
    EXPECT_EQ(stalled.values.size(), 2);
    auto error = errorAs<NetworkError>(stalled.failure);
    ASSERT_TRUE(error) << describeError(stalled.failure).toStdString();
    EXPECT_TRUE(error->isTimeout());
}

} // namespace
} // namespace tolvane
