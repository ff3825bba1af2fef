// How long the result panel takes to show one streamed chunk, with a short or long text already shown:
// each iteration is one chunk arriving and the view updating, with (second argument 1) or without a
// forced synchronous repaint of the whole panel (offscreen). At 200
// chunks per second the budget per chunk is 5 ms; an event-loop stall would show as a large maximum.
#include "app/result_panel_fakes.h"
#include "app/result_panel_settings.h"
#include "app/result_panel_view.h"
#include "app/result_panel_workflow.h"

#include <QApplication>
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
    ->Args({100, 1})
    ->Args({2000, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
