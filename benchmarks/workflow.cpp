// Coordinator costs: a translation answered from memory end to end (request building, lookup in a database of
// 100,000 memory rows, publishing, history write), and the time one streamed piece takes through the
// coordinator compared with the channel alone.

#include "core/async/async_channel.h"
#include "core/clock.h"
#include "model/history_store.h"
#include "workflow/history_store_recorder.h"
#include "workflow/workflow_coordinator.h"
#include "workflow/workflow_fakes.h" // tests/workflow

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace tolvane {
namespace {

using testing::FakeClipboard;
using testing::FakeKeychain;
using testing::FakePasteBack;
using testing::FakeProviderFactory;
using testing::FakeSelection;
using testing::FakeSettings;
using testing::SilentRecognizer;

constexpr int kMemoryRows = 100'000;

QString rowText(int i) {
    return QStringLiteral("memory source text number %1").arg(i);
}

// Fills the memory table in one transaction straight through SQLite: the store's own writer commits each row.
void fillMemory(const QString& path, const FakeSettings& settings) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    // The store opens its file lazily; the memory table is made here with the store's own statement.
    sqlite3_exec(
        db,
        "CREATE TABLE IF NOT EXISTS memory (\n    cache_key TEXT PRIMARY KEY,\n    source_text TEXT NOT "
        "NULL,\n    result_text TEXT NOT NULL,\n    action TEXT NOT NULL,\n    target_lang TEXT NOT "
        "NULL,\n    hit_count INTEGER NOT NULL DEFAULT 0,\n    updated_at REAL NOT NULL\n);",
        nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT OR REPLACE INTO memory (cache_key, source_text, result_text, action, target_lang, "
        "hit_count, updated_at) VALUES (?, ?, ?, 'translate', ?, 0, 0)",
        -1, &insert, nullptr);
    for (int i = 0; i < kMemoryRows; ++i) {
        const QByteArray key =
            HistoryStore::memoryCacheKey(rowText(i), settings.target, settings.style, settings.glossary)
                .toUtf8();
        const QByteArray source = rowText(i).toUtf8();
        const QByteArray result = QStringLiteral("译文 %1").arg(i).toUtf8();
        const QByteArray target = settings.target.toUtf8();
        sqlite3_bind_text(insert, 1, key.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, source.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, result.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, target.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Counts finished record writes so the benchmark can wait for the history row.
class CountingRecorder final : public TranslationRecorder {
public:
    explicit CountingRecorder(TranslationRecorder& inner) : m_inner(inner) {}
    QCoro::Task<std::optional<QString>> lookupMemory(AIRequest request, CancellationToken token) override {
        return m_inner.lookupMemory(std::move(request), std::move(token));
    }
    uint64_t clearsRequested() const override { return m_inner.clearsRequested(); }
    QCoro::Task<bool> recordTranslation(TranslationRecord record) override {
        const bool stored = co_await m_inner.recordTranslation(std::move(record));
        ++written;
        co_return stored;
    }
    QCoro::Task<bool> keepWaiting(QList<TranslationRecord> records) override {
        return m_inner.keepWaiting(std::move(records));
    }
    void keepUnwritten(QList<TranslationRecord> records) override {
        m_inner.keepUnwritten(std::move(records));
    }
    std::optional<QString> takeSetAsideDatabase() override { return m_inner.takeSetAsideDatabase(); }
    int written = 0;

private:
    TranslationRecorder& m_inner;
};

void BM_MemoryHitEndToEnd(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("History.sqlite3"));
    FakeSettings settings;
    fillMemory(path, settings);
    HistoryStore store(systemClock(), path);
    HistoryStoreRecorder history(store);
    CountingRecorder recorder(history);
    FakeKeychain keychain;
    FakeSelection selection;
    FakePasteBack pasteBack;
    FakeClipboard clipboard;
    FakeProviderFactory providers;
    SilentRecognizer recognizer;
    WorkflowCoordinator coordinator(WorkflowServices{settings, keychain, selection, recorder, pasteBack,
                                                     clipboard, providers, recognizer, systemClock()});
    int i = 0;
    for (auto _ : state) {
        const int expected = recorder.written + 1;
        coordinator.translateText(rowText((i++ * 7919) % kMemoryRows), false);
        while (recorder.written < expected && providers.chat.empty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!providers.chat.empty())
            break;
    }
    if (!providers.chat.empty() || coordinator.providerName() != QStringLiteral("memory"))
        state.SkipWithError("a translation was not answered from memory");
}
BENCHMARK(BM_MemoryHitEndToEnd)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

void drain() {
    for (int k = 0; k < 8; ++k)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// One piece sent by the provider and taken into resultText by the coordinator.
void BM_ChunkThroughCoordinator(benchmark::State& state) {
    FakeSettings settings;
    testing::FakeRecorder recorder;
    FakeKeychain keychain;
    FakeSelection selection;
    FakePasteBack pasteBack;
    FakeClipboard clipboard;
    FakeProviderFactory providers;
    SilentRecognizer recognizer;
    WorkflowCoordinator coordinator(WorkflowServices{settings, keychain, selection, recorder, pasteBack,
                                                     clipboard, providers, recognizer, systemClock()});
    QObject::connect(&coordinator, &WorkflowCoordinator::resultTextChanged, [] {});
    coordinator.translateText(QStringLiteral("hello"), false);
    drain();
    auto writer = providers.lastChat();
    const AIChunk piece{QStringLiteral("片段")};
    for (auto _ : state) {
        writer.send(piece);
        drain();
    }
    coordinator.stopTranslation();
    drain();
}
BENCHMARK(BM_ChunkThroughCoordinator)->Unit(benchmark::kMicrosecond);

QCoro::Task<> consume(AsyncChannel<AIChunk>::Reader reader, QString* sink) {
    while (auto piece = co_await reader.next())
        sink->append(piece->text);
}

// The same piece through the channel alone: the provider side of the comparison.
void BM_ChunkThroughChannelOnly(benchmark::State& state) {
    auto [writer, reader] = AsyncChannel<AIChunk>::create();
    QString sink;
    auto task = consume(std::move(reader), &sink);
    const AIChunk piece{QStringLiteral("片段")};
    for (auto _ : state) {
        writer.send(piece);
        drain();
    }
    writer.finish();
    drain();
}
BENCHMARK(BM_ChunkThroughChannelOnly)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tolvane

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
