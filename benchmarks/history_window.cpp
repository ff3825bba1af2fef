// The history window's content over a real history database (offscreen).
//
// BM_ShownToFirstRowsPainted: a new view over 10,000 or 100,000 stored rows, from construction (its load
// included) to the list's first paint with rows in it.
// BM_SearchKeystroke: one change of the search text over 100,000 loaded rows, the filtering and the list's
// reset included, then one turn of the event loop.
// BM_ScrollPageByPage: 10,000 rows scrolled one page per iteration, each page painted synchronously; the
// counter max_frame_ms is the slowest page.
#include "history/history_list_model.h"
#include "history/history_view.h"
#include "model/history_events.h"
#include "model/history_store.h"
#include "workflow/clipboard_writer.h"

#include "offscreen_main.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

using namespace tolvane;

struct NoClipboard final : ClipboardWriter {
    void writePlainText(const QString&) override {}
};

// A database with `rows` history rows, written in one transaction after the store created the schema.
QString databaseWith(const QTemporaryDir& folder, int rows) {
    const QString path = folder.filePath(QStringLiteral("History-%1.sqlite3").arg(rows));
    if (QFile::exists(path))
        return path;
    {
        HistoryStore store(systemClock(), path);
        QCoro::waitFor(store.fetchHistory(0));
    }
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO history (id, source_text, result_text, action, source_lang, target_lang, "
                       "provider, created_at) VALUES (?, ?, ?, 'translate', 'en', ?, 'OpenAI 兼容', ?)",
                       -1, &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        const QByteArray id = QByteArray::number(i);
        const QByteArray source =
            QStringLiteral("Sentence %1 about the weather, the meeting at ten and what to bring along to it.")
                .arg(i)
                .toUtf8();
        const QByteArray result =
            QStringLiteral("第 %1 句：关于天气、十点的会议以及要带去的东西。").arg(i).toUtf8();
        sqlite3_bind_text(insert, 1, id.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, source.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, result.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, i % 3 ? "zh-Hans" : "ja", -1, SQLITE_STATIC);
        sqlite3_bind_double(insert, 5, 1.7e9 + i);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
}

struct Fixture {
    explicit Fixture(int rows) : store(systemClock(), databaseWith(folder(), rows)) {}
    static const QTemporaryDir& folder() {
        static QTemporaryDir dir;
        return dir;
    }
    std::unique_ptr<HistoryView> view() {
        HistoryContentContext context{&store, &clipboard, &events, &owner, [](QString) {}};
        auto shown = std::make_unique<HistoryView>(context, nullptr);
        shown->resize(720, 560);
        return shown;
    }
    std::unique_ptr<HistoryView> loadedView() {
        auto shown = view();
        bool loaded = false;
        QObject::connect(shown.get(), &HistoryView::loaded, [&] { loaded = true; });
        shown->show();
        QTest::qWaitFor([&] { return loaded; }, 60000);
        QCoreApplication::processEvents();
        return shown;
    }

    HistoryStore store;
    NoClipboard clipboard;
    HistoryEvents events;
    QObject owner;
};

// Counts paints of the list's viewport made while the list has rows.
struct PaintWatch final : QObject {
    explicit PaintWatch(HistoryView& view) : view(view) {
        view.listView()->viewport()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && view.model().rowCount() > 0)
            painted = true;
        return false;
    }
    HistoryView& view;
    bool painted = false;
};

void BM_ShownToFirstRowsPainted(benchmark::State& state) {
    Fixture fixture(int(state.range(0)));
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto view = fixture.view();
        PaintWatch watch(*view);
        view->show();
        QTest::qWaitFor([&] { return watch.painted; }, 60000);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        view.reset();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_ShownToFirstRowsPainted)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_SearchKeystroke(benchmark::State& state) {
    Fixture fixture(100000);
    auto view = fixture.loadedView();
    const QStringList queries{QStringLiteral("weather"), QStringLiteral("weathe"), QStringLiteral("日语"),
                              QStringLiteral("sentence 99")};
    int i = 0;
    for (auto _ : state) {
        view->searchField()->setText(queries.at(i++ % queries.size()));
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond);

void BM_ScrollPageByPage(benchmark::State& state) {
    Fixture fixture(10000);
    auto view = fixture.loadedView();
    QListView* list = view->listView();
    QTest::qWaitFor([&] { return list->verticalScrollBar()->maximum() > 100000; }, 60000);
    qint64 slowest = 0;
    for (auto _ : state) {
        QScrollBar* bar = list->verticalScrollBar();
        bar->setValue(bar->value() >= bar->maximum() ? 0 : bar->value() + bar->pageStep());
        QElapsedTimer frame;
        frame.start();
        list->viewport()->repaint();
        slowest = std::max(slowest, frame.nsecsElapsed());
    }
    state.counters["max_frame_ms"] = double(slowest) / 1e6;
}
BENCHMARK(BM_ScrollPageByPage)->Iterations(300)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runOffscreenBenchmarks(argc, argv);
}
