// The settings window on a real X server with the session's Secret Service: opening it to its first
// painted frame, switching pages, one permission refresh, a recorded chord checked (desktop probe
// included) and stored, and the longest event-loop gap while the API key is saved to the keyring, while
// a connection test runs against a loopback server, and while 100,000 + 100,000 history rows are cleared.
// Run inside scripts/test-session: settings_window_benchmark.
#include "core/clock.h"
#include "event_loop_spin.h"
#include "model/app_settings.h"
#include "model/history_store.h"
#include "model/keychain_store.h"
#include "platform/memory/memory_key_value_store.h"
#include "platform/permission_service.h"
#include "platform/secret/libsecret_backend.h"
#include "settings/privacy_settings_page.h"
#include "settings/settings_blocks.h"
#include "settings/settings_view.h"
#include "settings/translation_settings_page.h"
#include "support/fake_http_server.h"
#include "ui/shortcut_assignment.h"
#include "ui/theme.h"
#include "workflow/hot_key_manager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace tolvane {
namespace {

// Keyring calls and the history clear can take long on a loaded machine.
template <typename Done> bool spinUntil60(Done done) {
    return spinUntil(done, 60000);
}

// Counts paints of one widget.
class PaintCounter final : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The longest time the event loop did not turn, measured by a 1 ms timer.
class GapMeter final : public QObject {
public:
    GapMeter() {
        m_timer.setInterval(1);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            m_longest = std::max(m_longest, m_since.nsecsElapsed());
            m_since.restart();
        });
        m_since.start();
        m_timer.start();
    }
    double longestMs() const { return double(m_longest) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

struct Fixture {
    QTemporaryDir folder;
    MemoryKeyValueStore defaults;
    AppSettings settings{defaults, systemClock()};
    LibsecretBackend secrets;
    KeychainStore keychain{secrets, QStringLiteral("TolvaneSettingsBenchmark")};
    HistoryStore history{systemClock(), folder.filePath(QStringLiteral("History.sqlite3"))};
    QNetworkAccessManager network;
    SettingsContentContext context() {
        SettingsContentContext context;
        context.settings = &settings;
        context.keychain = &keychain;
        context.historyStore = &history;
        context.network = &network;
        context.permissions = []() -> const PermissionService& { return PermissionService::system(); };
        return context;
    }
    ~Fixture() { keychain.deleteAPIKey(); }
};

// Built on first use and destroyed before the application object, so the keyring item is removed while
// D-Bus still works.
std::unique_ptr<Fixture> shared;

Fixture& fixture() {
    if (!shared)
        shared = std::make_unique<Fixture>();
    return *shared;
}

QWidget* openWindow(SettingsContentContext context, SettingsView** view) {
    auto* window = new QWidget;
    Theme::applyDarkAppearance(window);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    *view = new SettingsView(std::move(context), window);
    layout->addWidget(*view);
    window->resize(1200, 768);
    window->show();
    return window;
}

void BM_OpenToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        SettingsView* view = nullptr;
        QWidget* window = openWindow(fixture().context(), &view);
        PaintCounter counter;
        view->toolbar()->installEventFilter(&counter);
        spinUntil60([&] { return counter.paints > 0; });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        delete window;
        spinUntil60([&] { return true; });
    }
}
BENCHMARK(BM_OpenToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The first visit builds the page; later visits only show it again. Both until the page is painted.
void BM_PageSwitch(benchmark::State& state) {
    const bool firstVisit = state.range(0) == 1;
    for (auto _ : state) {
        SettingsView* view = nullptr;
        QWidget* window = openWindow(fixture().context(), &view);
        spinUntil60([&] { return window->isVisible() && view->isVisible(); });
        if (!firstVisit) {
            view->selectPage(SettingsPage::translation);
            view->selectPage(SettingsPage::general);
        }
        spinUntil60([&] { return !view->isKeychainBusy(); });
        QElapsedTimer timer;
        timer.start();
        view->selectPage(SettingsPage::translation);
        PaintCounter counter;
        view->page(SettingsPage::translation)->installEventFilter(&counter);
        spinUntil60([&] { return counter.paints > 0; });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        delete window;
    }
}
BENCHMARK(BM_PageSwitch)->Arg(1)->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_PermissionTick(benchmark::State& state) {
    PrivacySettingsPage page;
    page.resize(800, 600);
    page.show();
    for (auto _ : state)
        page.showPermissions(PermissionService::system());
}
BENCHMARK(BM_PermissionTick)->Unit(benchmark::kMicrosecond);

// A recorded chord through the shared check, the desktop probe included, into the settings store.
void BM_ChordToStoredShortcut(benchmark::State& state) {
    AppSettings& settings = fixture().settings;
    const AppShortcut chords[] = {{16, ShortcutModifiers(10), QStringLiteral("y"), 1},
                                  {32, ShortcutModifiers(10), QStringLiteral("u"), 1}};
    const ShortcutAssignment::Availability probe = [](const AppShortcut& shortcut) -> std::optional<QString> {
        if (auto refused = HotKeyManager::probeShortcutAvailability(shortcut))
            return refused->description();
        return std::nullopt;
    };
    for (auto _ : state) {
        // Always the chord the action does not have, so every round is checked and stored.
        const bool first = settings.shortcuts().shortcut(ShortcutAction::translateSelection) == chords[0];
        const auto outcome =
            ShortcutAssignment::validate(ShortcutAction::translateSelection, chords[first ? 1 : 0], settings,
                                         probe, ShortcutAssignment::ConflictText::named);
        if (outcome.kind != ShortcutAssignment::Outcome::Kind::stored)
            state.SkipWithError(outcome.message.toStdString().c_str());
    }
}
BENCHMARK(BM_ChordToStoredShortcut)->Unit(benchmark::kMillisecond);

// Runs `start`, then the loop until `done`, reporting the operation's time and the longest loop gap.
template <typename Start, typename Done>
void measureGap(benchmark::State& state, SettingsView* view, Start start, Done done) {
    double longest = 0;
    for (auto _ : state) {
        GapMeter meter;
        QElapsedTimer timer;
        timer.start();
        start(view);
        if (!spinUntil60([&] { return done(view); }))
            state.SkipWithError("the operation did not finish");
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        longest = std::max(longest, meter.longestMs());
    }
    state.counters["longest_gap_ms"] = longest;
}

void BM_KeyringSaveGap(benchmark::State& state) {
    SettingsView* view = nullptr;
    QWidget* window = openWindow(fixture().context(), &view);
    fixture().settings.setTranslationEngine(TranslationEngine::openAICompatible);
    view->selectPage(SettingsPage::translation);
    spinUntil60([&] { return !view->isKeychainBusy(); });
    auto* page = static_cast<TranslationSettingsPage*>(view->page(SettingsPage::translation));
    measureGap(
        state, view,
        [page](SettingsView* v) {
            page->keyField()->setText(QStringLiteral("sk-benchmark-key"));
            v->saveAPIKey();
        },
        [](SettingsView* v) { return !v->isKeychainBusy(); });
    delete window;
}
BENCHMARK(BM_KeyringSaveGap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ConnectionTestGap(benchmark::State& state) {
    testing::FakeHttpServer server;
    server.setHandler([](const testing::CapturedRequest&) {
        return testing::FakeResponse::json(200, R"({"choices":[{"message":{"content":"ok"}}]})");
    });
    fixture().keychain.saveAPIKey(QStringLiteral("sk-benchmark-key"));
    fixture().settings.setBaseURLString(server.url(QStringLiteral("/v1")).toString());
    SettingsView* view = nullptr;
    QWidget* window = openWindow(fixture().context(), &view);
    spinUntil60([&] { return !view->isKeychainBusy(); });
    measureGap(
        state, view, [](SettingsView* v) { v->testProviderConnection(); },
        [](SettingsView* v) { return !v->isTestingProvider(); });
    delete window;
}
BENCHMARK(BM_ConnectionTestGap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void fillHistory(const QString& path, int rows) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* history = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT INTO history VALUES (?1, 'source text of the row', 'result text', 'translate', "
        "'en', 'zh-Hans', 'openai-compatible', ?2)",
        -1, &history, nullptr);
    sqlite3_stmt* memory = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO memory VALUES (?1, 'source text of the row', 'result text', 'translate', "
                       "'zh-Hans', 1, ?2)",
                       -1, &memory, nullptr);
    for (int i = 0; i < rows; ++i) {
        const QByteArray key = QByteArray::number(i);
        for (sqlite3_stmt* statement : {history, memory}) {
            sqlite3_bind_text(statement, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
            sqlite3_bind_double(statement, 2, 1.7e9 + i);
            sqlite3_step(statement);
            sqlite3_reset(statement);
        }
    }
    sqlite3_finalize(history);
    sqlite3_finalize(memory);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void BM_HistoryClearGap(benchmark::State& state) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("History.sqlite3"));
    HistoryStore store(systemClock(), path);
    spinUntil60([&] { return true; });
    SettingsContentContext context = fixture().context();
    context.historyStore = &store;
    SettingsView* view = nullptr;
    QWidget* window = openWindow(context, &view);
    double longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // The store creates its tables on first use.
        QCoro::waitFor(store.fetchHistory(1));
        fillHistory(path, 100000);
        state.ResumeTiming();
        GapMeter meter;
        QElapsedTimer timer;
        timer.start();
        view->clearTranslationHistory();
        spinUntil60([&] { return !view->isClearingHistory(); });
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        longest = std::max(longest, meter.longestMs());
    }
    state.counters["longest_gap_ms"] = longest;
    delete window;
}
BENCHMARK(BM_HistoryClearGap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace tolvane

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    tolvane::Theme::registerFonts();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tolvane::shared.reset();
    return 0;
}
