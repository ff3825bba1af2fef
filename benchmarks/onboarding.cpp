// The first-run guide's interface costs, offscreen at 880 x 640 with the bundled fonts.
//
// BM_OpenToFirstFrame: building the guide's content in a window, showing it and painting the first frame.
// BM_StepChange: one step change (fade and dot animation started) and the repaint of the window.
// BM_WelcomePaint: one full repaint of the welcome page (gradient, sample card, text).
// BM_DotAnimationFrames: the dot animation of one step change run by the event loop; the counter
// max_frame_gap_ms is the longest time between two repaints of the dots while it runs.
// BM_PermissionTick: one permission refresh (three rows and the summary) with nothing changing.
#include "core/clock.h"
#include "model/app_settings.h"
#include "onboarding/onboarding_view.h"
#include "onboarding/step_dots.h"
#include "onboarding/welcome_step.h"
#include "platform/memory/memory_key_value_store.h"
#include "platform/permission_service.h"
#include "ui/theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTest>
#include <benchmark/benchmark.h>

namespace {

using namespace tolvane;

struct Guide {
    Guide() {
        context.settings = &settings;
        context.permissions = [this]() -> const PermissionService& { return permissions; };
        context.onFinish = [] {};
    }
    std::unique_ptr<OnboardingView> open(int step) {
        context.step = step;
        auto view = std::make_unique<OnboardingView>(context);
        view->setFixedSize(880, 640);
        view->show();
        view->repaint();
        return view;
    }

    MemoryKeyValueStore defaults;
    AppSettings settings{defaults, systemClock()};
    PermissionService permissions{
        SessionInfo{SessionKind::x11, X11Extensions{.xtest = true, .xinputMajor = 2, .xinputMinor = 3}}};
    OnboardingContentContext context;
};

void BM_OpenToFirstFrame(benchmark::State& state) {
    Guide guide;
    for (auto _ : state)
        benchmark::DoNotOptimize(guide.open(0));
}
BENCHMARK(BM_OpenToFirstFrame)->Unit(benchmark::kMillisecond);

void BM_StepChange(benchmark::State& state) {
    Guide guide;
    auto view = guide.open(1);
    int step = 1;
    for (auto _ : state) {
        step = step == 3 ? 1 : step + 1;
        view->setStep(step);
        view->repaint();
    }
}
BENCHMARK(BM_StepChange)->Unit(benchmark::kMillisecond);

void BM_WelcomePaint(benchmark::State& state) {
    Guide guide;
    auto view = guide.open(0);
    for (auto _ : state)
        view->welcome()->repaint();
}
BENCHMARK(BM_WelcomePaint)->Unit(benchmark::kMillisecond);

// Records the time of every repaint of a widget.
class PaintClock final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const qint64 now = clock.nsecsElapsed();
            if (last >= 0)
                worstGapNs = std::max(worstGapNs, now - last);
            last = now;
        }
        return false;
    }
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 worstGapNs = 0;
};

void BM_DotAnimationFrames(benchmark::State& state) {
    Guide guide;
    auto view = guide.open(1);
    PaintClock paints;
    paints.clock.start();
    view->frameDots()->installEventFilter(&paints);
    int step = 1;
    for (auto _ : state) {
        step = step == 3 ? 1 : step + 1;
        paints.last = -1;
        view->setStep(step);
        QTest::qWaitFor([&] { return !view->frameDots()->isAnimating(); }, 2000);
    }
    state.counters["max_frame_gap_ms"] = double(paints.worstGapNs) / 1e6;
}
BENCHMARK(BM_DotAnimationFrames)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PermissionTick(benchmark::State& state) {
    Guide guide;
    auto view = guide.open(2);
    for (auto _ : state)
        view->refreshPermissionStatus();
}
BENCHMARK(BM_PermissionTick)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Theme::registerFonts();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
