// How long the result panel takes to show streamed chunks, with a short or long text already shown.
//
// BM_StreamedChunk: each iteration is one chunk arriving and the event loop turning, with (second argument
// 1) or without a forced synchronous repaint of the whole panel (offscreen). Chunks arriving faster than a
// frame are shown together, so this is the average cost of a chunk in a tight burst.
//
// BM_StreamingAt200PerSecond: one second of real time per iteration, a chunk every 5 ms from a timer, the
// event loop running as in the application (layout and painting included). A 1 ms heartbeat timer records
// the longest event-loop stall; the budget is 50 ms.
#include "event_loop_stall.h"
#include "panel/result_panel_fakes.h"
#include "panel/result_panel_settings.h"
#include "panel/result_panel_view.h"
#include "panel/result_panel_workflow.h"

#include "offscreen_main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

using namespace tolvane;

void BM_StreamedChunk(benchmark::State& state) {
    testing::RecordingPanelWorkflow workflow;
    testing::MemoryPanelSettings settings;
    ResultPanelView view(&workflow, &settings);
    view.show();
    workflow.setSource(QStringLiteral("The source sentence that is being translated."));
    workflow.setStatus(WorkflowStatus::streaming());
    QString text;
    for (int i = 0; i < state.range(0); ++i)
        text += QStringLiteral("词语%1 ").arg(i);
    workflow.setResult(text);
    QCoreApplication::processEvents();
    int chunk = 0;
    for (auto _ : state) {
        text += QStringLiteral("块%1 ").arg(chunk++);
        workflow.setResult(text);
        if (state.range(1))
            view.repaint();
        QCoreApplication::processEvents();
    }
    state.counters["chunks_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StreamedChunk)
    ->Args({100, 0})
    ->Args({2000, 0})
    ->Args({20000, 0})
    ->Args({100, 1})
    ->Args({2000, 1})
    ->Args({20000, 1})
    ->Unit(benchmark::kMillisecond);

void BM_StreamingAt200PerSecond(benchmark::State& state) {
    testing::RecordingPanelWorkflow workflow;
    testing::MemoryPanelSettings settings;
    ResultPanelView view(&workflow, &settings);
    view.show();
    workflow.setSource(QStringLiteral("The source sentence that is being translated."));
    workflow.setStatus(WorkflowStatus::streaming());
    QString text;
    for (int i = 0; i < state.range(0); ++i)
        text += QStringLiteral("词语%1 ").arg(i);
    workflow.setResult(text);
    // The first layout of the long text already shown is not part of streaming: let it finish.
    benchmarks::settle(200);

    qint64 worstStallNs = 0;
    int chunks = 0;
    for (auto _ : state)
        worstStallNs =
            std::max(worstStallNs, benchmarks::streamOneSecondAt200PerSecond(
                                       text, chunks, [&](const QString& t) { workflow.setResult(t); }));
    state.counters["chunks_per_second"] = benchmark::Counter(double(chunks), benchmark::Counter::kIsRate);
    state.counters["max_stall_ms"] = double(worstStallNs) / 1e6;
}
BENCHMARK(BM_StreamingAt200PerSecond)
    ->Arg(100)
    ->Arg(2000)
    ->Arg(20000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runOffscreenBenchmarks(argc, argv);
}
