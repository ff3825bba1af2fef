#include "providers/http_exchange.h"

#include "core/async/cancellation.h"
#include "providers/network_test_support.h"
#include "providers/provider_errors.h"
#include "support/fake_http_server.h"

#include <QTcpServer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace tolvane {
namespace {

using testing::CapturedRequest;
using testing::errorAs;
using testing::FakeHttpServer;
using testing::FakeResponse;

struct Outcome {
    std::optional<HttpHead> head;
    QList<QByteArray> chunks;
    QByteArray body;
    std::exception_ptr failure;
};

enum class Read { Chunks, WholeBody };

QCoro::Task<> exchangeOnce(QNetworkAccessManager* manager, QUrl url, Read mode, qsizetype cap,
                           std::chrono::milliseconds idle, CancellationToken token, Outcome* out,
                           std::function<void()> afterFirstChunk) {
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", "Bearer secret");
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    HttpExchange exchange = HttpExchange::post(*manager, request, "{}", idle, token);
    try {
        out->head = co_await exchange.head();
        if (mode == Read::WholeBody) {
            out->body = co_await exchange.readBody(cap);
        } else {
            while (auto chunk = co_await exchange.nextChunk()) {
                out->chunks.append(*chunk);
                if (out->chunks.size() == 1 && afterFirstChunk)
                    afterFirstChunk();
            }
        }
    } catch (...) {
        out->failure = std::current_exception();
    }
}

class HttpExchangeTest : public ::testing::Test {
protected:
    Outcome run(QUrl url, Read mode = Read::WholeBody, qsizetype cap = 512000,
                std::chrono::milliseconds idle = 5000ms, CancellationToken token = {},
                std::function<void()> afterFirstChunk = {}) {
        Outcome out;
        testing::runToEnd(exchangeOnce(manager.get(), url, mode, cap, idle, token, &out, afterFirstChunk));
        return out;
    }

    std::unique_ptr<QNetworkAccessManager> manager = testing::makeLoopbackManager();
    FakeHttpServer server;
};

TEST_F(HttpExchangeTest, ErrorStatusesDeliverTheirBodyWhateverQtThinksOfThem) {
    const struct {
        int status;
        QByteArray contentType;
        QByteArray body;
    } cases[] = {
        {401, "application/json", R"({"error":"nope"})"}, {500, "text/html", "<h1>down</h1>"}, {404, "", ""}};
    for (const auto& c : cases) {
        // A Basic challenge must not make Qt swallow the 401.
        server.enqueue(FakeResponse::withBody(c.status, c.contentType, c.body)
                           .header("WWW-Authenticate", "Basic realm=\"x\""));
        Outcome out = run(server.url("/a"));
        ASSERT_FALSE(out.failure) << describeError(out.failure).toStdString();
        EXPECT_EQ(out.head->status, c.status);
        EXPECT_EQ(out.head->contentType, c.contentType);
        EXPECT_EQ(out.body, c.body);
    }
}

TEST_F(HttpExchangeTest, RedirectsAreFollowedOnlyWithinTheSameOrigin) {
    FakeHttpServer elsewhere;
    elsewhere.enqueue(FakeResponse::json(200, "{}"));
    server.enqueue(
        FakeResponse::withBody(307, "", "").header("Location", elsewhere.url("/steal").toEncoded()));
    Outcome crossOrigin = run(server.url("/v1"));
    ASSERT_FALSE(crossOrigin.failure) << describeError(crossOrigin.failure).toStdString();
    EXPECT_EQ(crossOrigin.head->status, 307);
    EXPECT_TRUE(elsewhere.requests().isEmpty()) << "the bearer token must not reach another origin";

    server.enqueue(FakeResponse::withBody(307, "", "").header("Location", server.url("/moved").toEncoded()));
    server.enqueue(FakeResponse::json(200, R"({"ok":true})"));
    Outcome sameOrigin = run(server.url("/v1"));
    ASSERT_FALSE(sameOrigin.failure);
    EXPECT_EQ(sameOrigin.head->status, 200);
    EXPECT_EQ(sameOrigin.body, R"({"ok":true})");
    ASSERT_EQ(server.requests().size(), 3);
    EXPECT_EQ(server.requests()[2].target, "/moved");
}

TEST_F(HttpExchangeTest, AStalledBodyTimesOutAsATimeoutAndClosesTheConnection) {
    FakeResponse stalled = FakeResponse::withBody(200, "text/event-stream", "data: first\n");
    stalled.framing = FakeResponse::Framing::Chunked;
    stalled.stallAfterParts = true;
    server.enqueue(stalled);
    Outcome out = run(server.url("/"), Read::Chunks, 0, 200ms);
    EXPECT_EQ(out.chunks, QList<QByteArray>{"data: first\n"});
    auto error = errorAs<NetworkError>(out.failure);
    ASSERT_TRUE(error) << describeError(out.failure).toStdString();
    EXPECT_TRUE(error->isTimeout());
    EXPECT_TRUE(server.waitForClientAborts(1));

    // A server that accepts the connection and never answers times out the same way.
    QTcpServer mute;
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost, 0));
    Outcome noHead =
        run(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(mute.serverPort())), Read::WholeBody, 100, 200ms);
    auto headTimeout = errorAs<NetworkError>(noHead.failure);
    ASSERT_TRUE(headTimeout);
    EXPECT_TRUE(headTimeout->isTimeout());
}

TEST_F(HttpExchangeTest, CancellingMidBodyAbortsTheTransferAndReportsCancellation) {
    FakeResponse stream = FakeResponse::withBody(200, "text/event-stream", "data: one\n");
    stream.framing = FakeResponse::Framing::Chunked;
    stream.part("data: two\n", 300);
    stream.stallAfterParts = true;
    server.enqueue(stream);
    CancellationSource source;
    Outcome out =
        run(server.url("/"), Read::Chunks, 0, 5000ms, source.token(), [&source] { source.cancel(); });
    EXPECT_EQ(out.chunks, QList<QByteArray>{"data: one\n"});
    EXPECT_TRUE(errorAs<CancelledError>(out.failure));
    EXPECT_TRUE(server.waitForClientAborts(1)) << "the server must see the connection close";
}

TEST_F(HttpExchangeTest, TransportFailuresNameTheHostAndTheCauseInChinese) {
    quint16 closedPort;
    {
        FakeHttpServer gone;
        closedPort = gone.port();
    }
    QTcpServer mute; // accepts and never answers
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost, 0));
    const struct {
        QString url;
        NetworkError::Cause cause;
        QString sentence;
        std::chrono::milliseconds idle = 60s; // only the silent server is meant to time out
    } cases[] = {
        {QStringLiteral("http://127.0.0.1:%1/").arg(closedPort), NetworkError::Cause::refused,
         QString::fromUtf8("服务器 127.0.0.1 拒绝了连接")},
        {QStringLiteral("http://tolvane-test.invalid/v1"), NetworkError::Cause::notResolved,
         QString::fromUtf8("找不到服务器 tolvane-test.invalid")},
        {QStringLiteral("http://127.0.0.1:%1/").arg(mute.serverPort()), NetworkError::Cause::timedOut,
         QString::fromUtf8("连接服务器 127.0.0.1 超时"), 200ms},
        // A plain HTTP server spoken to with TLS.
        {QStringLiteral("https://127.0.0.1:%1/").arg(server.port()), NetworkError::Cause::tls,
         QString::fromUtf8("与服务器 127.0.0.1 建立安全连接（TLS）失败")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        Outcome out = run(QUrl(c.url), Read::WholeBody, 100, c.idle);
        auto error = errorAs<NetworkError>(out.failure);
        ASSERT_TRUE(error) << describeError(out.failure).toStdString();
        EXPECT_EQ(error->cause(), c.cause) << error->code();
        // The sentence first; Qt's English text follows only where the sentence does not already say it.
        EXPECT_TRUE(error->description().startsWith(c.sentence)) << error->description().toStdString();
        if (c.cause == NetworkError::Cause::tls)
            EXPECT_TRUE(error->description().endsWith(QStringLiteral("（%1）").arg(error->systemMessage())));
        else
            EXPECT_TRUE(error->description().endsWith(QStringLiteral("。")))
                << error->description().toStdString();
    }

    FakeResponse broken = FakeResponse::withBody(200, "text/event-stream", "data: partial\n");
    broken.breakOff = true;
    server.enqueue(broken);
    Outcome shortBody = run(server.url("/"), Read::Chunks);
    EXPECT_EQ(shortBody.chunks, QList<QByteArray>{"data: partial\n"});
    EXPECT_TRUE(errorAs<NetworkError>(shortBody.failure)) << describeError(shortBody.failure).toStdString();
}

TEST_F(HttpExchangeTest, WholeBodyReadsAreCappedAtTheLimitInclusive) {
    server.enqueue(FakeResponse::json(200, QByteArray(1000, 'a')));
    FakeResponse split = FakeResponse::json(200, QByteArray(600, 'b'));
    split.part(QByteArray(401, 'c'), 20);
    server.enqueue(split);

    Outcome exact = run(server.url("/"), Read::WholeBody, 1000);
    ASSERT_FALSE(exact.failure);
    EXPECT_EQ(exact.body.size(), 1000);

    Outcome over = run(server.url("/"), Read::WholeBody, 1000);
    auto error = errorAs<AIProviderError>(over.failure);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->description(), QStringLiteral("翻译服务返回了无法识别的回答。"));
}

TEST_F(HttpExchangeTest, AReaderThatTakesNothingHoldsOnlyABoundedReadAheadFromTheFirstByte) {
    // 256 MiB offered, made as fast as the socket takes it; the reader never asks for a chunk. Also behind a
    // redirect, which Qt follows with a new request of its own.
    constexpr qint64 kOffered = 256ll * 1024 * 1024;
    const QByteArray block(1024 * 1024, 'x');
    for (const bool redirected : {false, true}) {
        SCOPED_TRACE(redirected ? "redirected" : "direct");
        FakeHttpServer endlessServer;
        qint64 sent = 0;
        FakeResponse endless = FakeResponse::withBody(200, "text/event-stream", "data: ");
        endless.framing = FakeResponse::Framing::Chunked;
        endless.source = [&]() -> QByteArray {
            if (sent >= kOffered)
                return {};
            sent += block.size();
            return block;
        };
        if (redirected)
            endlessServer.enqueue(FakeResponse::withBody(307, "", "")
                                      .header("Location", endlessServer.url("/moved").toEncoded()));
        endlessServer.enqueue(endless);
        QNetworkRequest request(endlessServer.url("/"));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
        // While Qt hands over bytes the idle timer restarts; once its read-ahead is full nothing more comes,
        // and the time-out closes the connection.
        HttpExchange exchange = HttpExchange::post(*manager, request, "{}", 1000ms, {});
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return endlessServer.clientAborts() >= 1 || sent >= kOffered; }, 120000));
        // Qt's read buffer, both sockets' kernel buffers and the server's own pending mebibyte.
        EXPECT_LT(sent, 24ll * 1024 * 1024) << "Qt read on without a limit";
        EXPECT_EQ(endlessServer.clientAborts(), 1);
    }
}

} // namespace
} // namespace tolvane
