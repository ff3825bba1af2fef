// Streams chat-completions answers from the fake server through the real client over loopback.
//   ChatStream10k:       chunks per second for a 10,000-chunk answer written at once.
//   PingPong/Provider:   one chunk in flight at a time (the server writes the next when the consumer got the
//                        previous one): time per chunk through socket, HTTP, line splitter, JSON and channel.
//   PingPong/RawSocket:  the same round trip over a bare QTcpSocket; the difference is the added latency.
//   HostedEndlessEvent:  peak resident memory (VmHWM) while the hosted client is offered 256 MiB of "data:"
//                        lines that never complete an event; counters peak_rss_MiB and sent_MiB.
#include "model/keychain_store.h"
#include "platform/memory/memory_secret_backend.h"
#include "providers/cloud_translation_provider.h"
#include "providers/openai_compatible_provider.h"
#include "resident_memory.h"
#include "support/fake_hosted_server.h"
#include "support/fake_openai_server.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <benchmark/benchmark.h>

using namespace tolvane;
using namespace tolvane::testing;

namespace {

// Runs the event loop until `done` holds, waking only for events (QTest::qWaitFor sleeps in 10 ms steps).
template <typename Predicate> void runUntil(Predicate done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

struct Loopback {
    Loopback() { manager.setProxy(QNetworkProxy::NoProxy); }
    OpenAICompatibleProvider provider() {
        return OpenAICompatibleProvider(server.url(QStringLiteral("/v1")).toString(), QStringLiteral("m"),
                                        QStringLiteral("k"), &manager);
    }
    QNetworkAccessManager manager;
    FakeHttpServer server;
};

QCoro::Task<> drain(AsyncChannel<AIChunk>::Reader reader, int* received, bool* done) {
    try {
        while (co_await reader.next())
            ++*received;
    } catch (...) {
    }
    *done = true;
}

void ChatStream10k(benchmark::State& state) {
    constexpr int kChunks = 10000;
    Loopback loopback;
    QStringList pieces;
    for (int i = 0; i < kChunks; ++i)
        pieces.append(QStringLiteral("w%1 ").arg(i));
    const FakeResponse answer = openai::stream(pieces);
    int total = 0;
    for (auto _ : state) {
        loopback.server.enqueue(answer);
        int received = 0;
        bool done = false;
        auto task = drain(loopback.provider().stream(AIRequest{}), &received, &done);
        runUntil([&] { return done; });
        if (received != kChunks)
            state.SkipWithError("lost chunks");
        total += received;
    }
    state.SetItemsProcessed(total);
}

QCoro::Task<> pingPong(AsyncChannel<AIChunk>::Reader reader, FakeHttpServer* server, int count, bool* done) {
    int received = 0;
    while (received < count) {
        if (!co_await reader.next())
            break;
        if (++received < count)
            server->writeToOpenResponse(openai::deltaEvent(QStringLiteral("x")));
    }
    server->endOpenResponse();
    *done = true;
}

void PingPongProvider(benchmark::State& state) {
    constexpr int kRounds = 1000;
    Loopback loopback;
    for (auto _ : state) {
        FakeResponse open = openai::rawStream({openai::deltaEvent(QStringLiteral("x"))}, 0);
        open.stallAfterParts = true;
        loopback.server.enqueue(open);
        bool done = false;
        auto task = pingPong(loopback.provider().stream(AIRequest{}), &loopback.server, kRounds, &done);
        runUntil([&] { return done; });
    }
    state.SetItemsProcessed(state.iterations() * kRounds);
}

void PingPongRawSocket(benchmark::State& state) {
    constexpr int kRounds = 1000;
    QTcpServer listener;
    listener.listen(QHostAddress::LocalHost, 0);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, listener.serverPort());
    runUntil([&] { return listener.hasPendingConnections(); });
    QTcpSocket* server = listener.nextPendingConnection();
    server->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const QByteArray line = openai::deltaEvent(QStringLiteral("x"));
    int received = 0;
    QObject::connect(&client, &QTcpSocket::readyRead, [&] {
        client.readAll();
        if (++received < kRounds)
            server->write(line);
    });
    for (auto _ : state) {
        received = 0;
        server->write(line);
        runUntil([&] { return received >= kRounds; });
    }
    state.SetItemsProcessed(state.iterations() * kRounds);
}

QCoro::Task<> drainEvents(AsyncChannel<CloudTranslationStreamEvent>::Reader reader, bool* failed,
                          bool* done) {
    try {
        while (co_await reader.next()) {
        }
    } catch (...) {
        *failed = true;
    }
    *done = true;
}

void HostedEndlessEvent(benchmark::State& state) {
    constexpr qint64 kOffered = 256ll * 1024 * 1024;
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    FakeHostedService service;
    MemorySecretBackend secrets;
    KeychainStore store(secrets);
    CloudTranslationProvider provider({service.baseURL(), &store, CloudTranslationQuality::standard, &manager,
                                       nullptr, CloudTranslationProvider::kRequestIdleTimeout});
    const QByteArray lines = QByteArray("data: ").append(QByteArray(4089, 'x')).append('\n').repeated(256);
    state.counters["baseline_MiB"] = peakResidentMiB();
    if (!resetPeakResident())
        state.SkipWithError("cannot reset the peak resident count");
    for (auto _ : state) {
        qint64 sent = 0;
        FakeResponse endless = FakeHostedService::eventStream({"event: delta\n"});
        endless.source = [&]() -> QByteArray {
            if (sent >= kOffered)
                return {};
            sent += lines.size();
            return lines;
        };
        service.enqueueTranslation(endless);
        bool failed = false;
        bool done = false;
        auto task = drainEvents(provider.streamEvents(AIRequest{}), &failed, &done);
        runUntil([&] { return done; });
        if (!failed)
            state.SkipWithError("the endless event was accepted");
        state.counters["sent_MiB"] = double(sent) / (1024 * 1024);
    }
    state.counters["peak_rss_MiB"] = peakResidentMiB();
}

} // namespace

// Rates are per wall-clock second: the work is I/O between two ends in one event loop.
BENCHMARK(ChatStream10k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PingPongProvider)->Name("PingPong/Provider")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PingPongRawSocket)->Name("PingPong/RawSocket")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(HostedEndlessEvent)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
