// History store on a file with 100,000 history rows and 100,000 memory rows: memory lookup by key, one
// history + memory write, the newest 50 history rows, and opening the file with its integrity check. Each
// operation goes through the store's worker thread and back to the main loop, as the application awaits it.
#include "model/history_store.h"
#include "core/clock.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>
#include <sqlite3.h>

using namespace tolvane;

namespace {

constexpr int rowCount = 100'000;

QString sourceText(int i) {
    return QStringLiteral("Benchmark source sentence number %1.").arg(i);
}

AIRequest request(int i) {
    AIRequest r;
    r.sourceText = sourceText(i);
    r.sourceLanguage = QStringLiteral("en");
    r.targetLanguage = QStringLiteral("zh-Hans");
    return r;
}

QString keyOf(int i) {
    return HistoryStore::memoryCacheKey(sourceText(i), "zh-Hans", TranslationStyle::literal, {});
}

// The database with its schema (made by the store) and the rows (inserted in one transaction).
struct Fixture {
    Fixture() {
        path = dir.filePath(QStringLiteral("History.sqlite3"));
        {
            HistoryStore schema(systemClock(), path);
            QCoro::waitFor(schema.fetchHistory(0));
        }
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db, "BEGIN;", nullptr, nullptr, nullptr);
        sqlite3_stmt* history = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO history VALUES (?, ?, ?, 'translate', 'en', 'zh-Hans', 'bench', ?);",
                           -1, &history, nullptr);
        sqlite3_stmt* memory = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO memory VALUES (?, ?, ?, 'translate', 'zh-Hans', 0, ?);", -1,
                           &memory, nullptr);
        for (int i = 0; i < rowCount; ++i) {
            const QByteArray id = QStringLiteral("ID-%1").arg(i).toUtf8();
            const QByteArray source = sourceText(i).toUtf8();
            const QByteArray result = QStringLiteral("基准测试句子 %1。").arg(i).toUtf8();
            const QByteArray key = keyOf(i).toUtf8();
            sqlite3_bind_text(history, 1, id.constData(), id.size(), SQLITE_TRANSIENT);
            sqlite3_bind_text(history, 2, source.constData(), source.size(), SQLITE_TRANSIENT);
            sqlite3_bind_text(history, 3, result.constData(), result.size(), SQLITE_TRANSIENT);
            sqlite3_bind_double(history, 4, 1.7e9 + i);
            sqlite3_step(history);
            sqlite3_reset(history);
            sqlite3_bind_text(memory, 1, key.constData(), key.size(), SQLITE_TRANSIENT);
            sqlite3_bind_text(memory, 2, source.constData(), source.size(), SQLITE_TRANSIENT);
            sqlite3_bind_text(memory, 3, result.constData(), result.size(), SQLITE_TRANSIENT);
            sqlite3_bind_double(memory, 4, 1.7e9 + i);
            sqlite3_step(memory);
            sqlite3_reset(memory);
        }
        sqlite3_finalize(history);
        sqlite3_finalize(memory);
        sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        store = std::make_unique<HistoryStore>(systemClock(), path);
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<HistoryStore> store;
};

// Built on first use, destroyed in main() while the application object still exists (the store's worker
// hands its last jobs back through the event loop).
std::unique_ptr<Fixture> sharedFixture;

Fixture& fixture() {
    if (!sharedFixture)
        sharedFixture = std::make_unique<Fixture>();
    return *sharedFixture;
}

void BM_LookupMemoryByKey(benchmark::State& state) {
    HistoryStore& store = *fixture().store;
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pick(0, rowCount - 1);
    for (auto _ : state) {
        state.PauseTiming();
        const QString key = keyOf(pick(random));
        state.ResumeTiming();
        auto result = QCoro::waitFor(store.lookupMemory(key));
        if (!result)
            state.SkipWithError("a seeded key was not found");
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_LookupMemoryByKey)->Unit(benchmark::kMillisecond)->Iterations(300)->Repetitions(9);

void BM_WriteHistoryAndMemory(benchmark::State& state) {
    HistoryStore& store = *fixture().store;
    int next = rowCount;
    for (auto _ : state) {
        const AIRequest r = request(next);
        const QString id = QStringLiteral("NEW-%1").arg(next++);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QCoro::waitFor(store.upsertHistoryEntry(id, r, QStringLiteral("结果"), QStringLiteral("bench"), now));
        QCoro::waitFor(store.upsertMemoryEntry(r, QStringLiteral("结果"), now));
    }
}
BENCHMARK(BM_WriteHistoryAndMemory)->Unit(benchmark::kMillisecond)->Iterations(200)->Repetitions(9);

void BM_FetchHistoryLimit50(benchmark::State& state) {
    HistoryStore& store = *fixture().store;
    for (auto _ : state) {
        auto rows = QCoro::waitFor(store.fetchHistory(50));
        if (rows.size() != 50)
            state.SkipWithError("expected 50 rows");
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_FetchHistoryLimit50)->Unit(benchmark::kMillisecond)->Iterations(300)->Repetitions(9);

// Opening the file as the application does on its first operation: the integrity check of the whole file,
// the schema tried in a rolled-back transaction, then the schema itself.
void BM_OpenWithIntegrityCheck(benchmark::State& state) {
    const QString path = fixture().path;
    for (auto _ : state) {
        HistoryStore store(systemClock(), path);
        auto rows = QCoro::waitFor(store.fetchHistory(0));
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_OpenWithIntegrityCheck)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sharedFixture.reset();
    return 0;
}
