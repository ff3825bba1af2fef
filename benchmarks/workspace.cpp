// The main window's workspace under load (offscreen, real coordinator over in-memory services).
//
// BM_KeyToRepaint: one key press in the source editor holding about 20,000 characters, with automatic
// translation on (each edit reaches the coordinator, whose debounce is restarted), then a synchronous repaint
// of the whole workspace; the budget is 16 ms.
//
// BM_ResultStreamingAt200PerSecond: one second of real time per iteration, chunks every 5 ms into the
// workspace through the coordinator's result, with a 1 ms heartbeat recording the longest event-loop stall;
// the budget is 50 ms.
//
// BM_ResizeStep: the sample content resized by one step between 1180 and 1920 wide, laid out and repainted;
// the budget is 16 ms.
#include "event_loop_stall.h"
#include "model/app_settings.h"
#include "model/history_events.h"
#include "model/history_store.h"
#include "platform/memory/memory_key_value_store.h"
#include "ui/main_content_context.h"
#include "ui/native_text_editor.h"
#include "workflow/app_settings_translation_settings.h"
#include "workflow/workflow_coordinator.h"
#include "workflow/workflow_fakes.h"
#include "workspace/main_translate_view.h"
#include "workspace/result_pane.h"
#include "workspace/source_pane.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

using namespace tolvane;

// The workspace over the real coordinator and settings, with the workflow's in-memory services.
struct Workspace {
    explicit Workspace(bool snapshot = false)
        : settings(store, systemClock()), translationSettings(settings),
          coordinator(WorkflowServices{translationSettings, keychain, selection, recorder, pasteBack,
                                       clipboard, providers, recognizer, systemClock()}) {
        settings.setTranslationEngine(TranslationEngine::openAICompatible);
        MainContentContext context;
        context.workflow = &coordinator;
        context.settings = &settings;
        context.historyStore = &history;
        context.historyEvents = &historyEvents;
        context.isSnapshotMode = snapshot;
        if (snapshot)
            context.inputText = QStringLiteral(
                "The best translation tools disappear\ninto the work. They preserve intent,\nrhythm, and the "
                "confidence to keep\nmoving.");
        view = std::make_unique<MainTranslateView>(context, [](const QString&) { return std::nullopt; });
        view->resize(1441, 842);
        view->show();
    }

    QTemporaryDir historyFolder;
    HistoryStore history{systemClock(), historyFolder.filePath(QStringLiteral("History.sqlite3"))};
    HistoryEvents historyEvents;
    MemoryKeyValueStore store;
    AppSettings settings;
    AppSettingsTranslationSettings translationSettings;
    testing::FakeKeychain keychain;
    testing::FakeSelection selection;
    testing::FakeRecorder recorder;
    testing::FakePasteBack pasteBack;
    testing::FakeClipboard clipboard;
    testing::FakeProviderFactory providers;
    testing::SilentRecognizer recognizer;
    WorkflowCoordinator coordinator;
    std::unique_ptr<MainTranslateView> view;
};

QString longText(int characters) {
    QString text;
    while (text.size() < characters)
        text += QStringLiteral("The quick brown fox jumps over the lazy dog. 敏捷的棕色狐狸跳过了懒狗。\n");
    return text.left(characters);
}

void BM_KeyToRepaint(benchmark::State& state) {
    Workspace workspace;
    NativeTextEditor* editor = workspace.view->sourcePane()->editor();
    QApplication::setActiveWindow(workspace.view.get());
    editor->setFocus();
    editor->setPlainText(longText(int(state.range(0))));
    editor->moveCursor(QTextCursor::End);
    benchmarks::settle(200);
    for (auto _ : state) {
        QTest::keyClick(editor, Qt::Key_A);
        workspace.view->repaint();
    }
}
BENCHMARK(BM_KeyToRepaint)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_ResultStreamingAt200PerSecond(benchmark::State& state) {
    Workspace workspace;
    QString text;
    for (int i = 0; i < state.range(0); ++i)
        text += QStringLiteral("词语%1 ").arg(i);
    ResultPane* pane = workspace.view->resultPane();
    pane->showResult(text, WorkflowStatus::streaming(), false);
    benchmarks::settle(200);
    qint64 worstStallNs = 0;
    int chunks = 0;
    for (auto _ : state)
        worstStallNs = std::max(
            worstStallNs, benchmarks::streamOneSecondAt200PerSecond(text, chunks, [&](const QString& t) {
                pane->showResult(t, WorkflowStatus::streaming(), false);
            }));
    state.counters["chunks_per_second"] = benchmark::Counter(double(chunks), benchmark::Counter::kIsRate);
    state.counters["max_stall_ms"] = double(worstStallNs) / 1e6;
}
BENCHMARK(BM_ResultStreamingAt200PerSecond)
    ->Arg(100)
    ->Arg(2000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ResizeStep(benchmark::State& state) {
    Workspace workspace(true);
    benchmarks::settle(200);
    int width = 1180;
    int step = int(state.range(0));
    for (auto _ : state) {
        width += step;
        if (width > 1920 || width < 1180) {
            step = -step;
            width += 2 * step;
        }
        workspace.view->resize(width, 842);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        workspace.view->repaint();
    }
}
BENCHMARK(BM_ResizeStep)->Arg(37)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
