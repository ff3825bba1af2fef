// Resident memory of the application's provider stack against a server that never completes what it starts.
// The server is tolvane-fake-server --endless in its own process, so it writes as fast as the kernel lets it
// instead of taking turns with this process's event loop. Providers come from the application's factory over
// one long-lived network manager, and the allocator is set up, as in the application.
//   StreamMemory/<engine>/<kind>: 30 streams one after another; the stream offers 256 MiB, of
//     lines:  "data:" lines that never end an event (hosted: after "event: delta"; chat: undecodable pieces)
//     line:   one "data:" line that never ends.
//   Counters (MiB): idle = resident before the first stream; peak_max / peak_median = the highest and the
//   median peak above idle of one stream; over_32 = streams whose peak passed 32 MiB above idle;
//   idle_after_10 / idle_after_all = resident after 10 streams / after all of them, minus idle.
// Each stream's figures also go to stderr. Run: build/<preset>/benchmarks/stream_memory_benchmark
#include "core/async/task.h"
#include "core/clock.h"
#include "model/keychain_store.h"
#include "platform/memory/memory_secret_backend.h"
#include "platform/memory_return.h"
#include "resident_memory.h"
#include "workflow/network_translation_provider_factory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QProcess>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>

using namespace tolvane;

namespace {

enum Engine { kChat, kHosted };
enum Kind { kLines, kLine };
constexpr double kPeakTargetMiB = 32;

// Runs the event loop until `done` holds, waking only for events.
template <typename Predicate> void runUntil(Predicate done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

// Lets released replies and their network-thread halves go away before the resident size is read.
void settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 500) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

// tolvane-fake-server --endless <kind>, and the base URLs it printed.
struct HostileServer {
    explicit HostileServer(Kind kind) {
        process.setProgram(QStringLiteral(TOLVANE_FAKE_SERVER));
        process.setArguments({QStringLiteral("--endless"), kind == kLines ? "lines" : "line"});
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
        while (process.waitForReadyRead(10000) || process.canReadLine()) {
            while (process.canReadLine()) {
                const QList<QByteArray> words = process.readLine().trimmed().split(' ');
                if (words.size() == 2 && words[0] == "openai")
                    openai = QString::fromUtf8(words[1]);
                if (words.size() == 2 && words[0] == "hosted")
                    hosted = QUrl(QString::fromUtf8(words[1]));
            }
            if (!openai.isEmpty() && hosted.isValid())
                return;
        }
    }
    ~HostileServer() {
        process.terminate();
        process.waitForFinished(10000);
    }
    bool started() const { return !openai.isEmpty() && hosted.isValid(); }

    QProcess process;
    QString openai;
    QUrl hosted;
};

template <typename T> QCoro::Task<> drain(typename AsyncChannel<T>::Reader reader, bool* failed, bool* done) {
    try {
        while (co_await reader.next()) {
        }
    } catch (...) {
        *failed = true;
    }
    *done = true;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void StreamMemory(benchmark::State& state) {
    const auto engine = Engine(state.range(0));
    const auto kind = Kind(state.range(1));
    HostileServer server(kind);
    if (!server.started()) {
        state.SkipWithError("the hostile server did not start");
        return;
    }
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    MemorySecretBackend secrets;
    KeychainStore store(secrets);
    NetworkTranslationProviderFactory factory({&manager, server.hosted, &store, &systemClock()});
    AIRequest request;
    request.sourceText = QStringLiteral("Hello world");
    request.sourceLanguage = QStringLiteral("en");
    request.targetLanguage = QStringLiteral("zh-Hans");

    settle();
    const double idle = residentMiB();
    std::vector<double> peaks;
    double idleAfter10 = 0;
    for (auto _ : state) {
        if (!resetPeakResident()) {
            state.SkipWithError("cannot reset the peak resident count");
            return;
        }
        bool failed = false;
        bool done = false;
        if (engine == kHosted) {
            auto provider = factory.makeHosted(CloudTranslationQuality::standard);
            auto task = drain<CloudTranslationStreamEvent>(provider->streamEvents(request), &failed, &done);
            runUntil([&] { return done; });
        } else {
            auto provider = factory.makeChat(server.openai, QStringLiteral("m"), QStringLiteral("k"));
            auto task = drain<AIChunk>(provider->stream(request), &failed, &done);
            runUntil([&] { return done; });
        }
        state.PauseTiming();
        const double peak = peakResidentMiB() - idle;
        peaks.push_back(peak);
        settle();
        const double after = residentMiB() - idle;
        if (peaks.size() == 10)
            idleAfter10 = after;
        std::fprintf(stderr, "stream %zu: peak %.1f MiB above idle, then %.1f MiB above idle%s\n",
                     peaks.size(), peak, after, failed ? " (failed)" : "");
        state.ResumeTiming();
    }
    state.counters["idle"] = idle;
    state.counters["peak_max"] = *std::max_element(peaks.begin(), peaks.end());
    state.counters["peak_median"] = median(peaks);
    state.counters["over_32"] =
        double(std::count_if(peaks.begin(), peaks.end(), [](double peak) { return peak >= kPeakTargetMiB; }));
    state.counters["idle_after_10"] = idleAfter10;
    state.counters["idle_after_all"] = residentMiB() - idle;
}

} // namespace

BENCHMARK(StreamMemory)
    ->ArgNames({"engine", "kind"})
    ->Args({kHosted, kLines})
    ->Args({kChat, kLines})
    ->Args({kHosted, kLine})
    ->Args({kChat, kLine})
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    // As the application's main() does.
    returnFreedMemoryPromptly();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
