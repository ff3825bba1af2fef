// The first-run guide's interface costs, offscreen at 880 x 640 with the bundled fonts.
//
// BM_OpenToFirstFrame: building the guide's content, showing it and rendering its first frame.
// BM_StepChange: one step change (fade and dot animation started) and a render of the whole guide.
// BM_WelcomePaint: one render of the welcome page (gradient, sample card, text and controls).
// BM_DotAnimationFrames: the dot animation of one step change run by the event loop; the counter
// max_frame_gap_ms / mean_frame_gap_ms are the longest and mean times between two repaints of the dots.
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
#include <QImage>
#include <benchmark/benchmark.h>

namespace {

using namespace tolvane;

// Paints a widget and its children once into an image, as the first frame on screen would.
void paint(QWidget& widget) {
    QImage frame(widget.size(), QImage::Format_ARGB32_Premultiplied);
    widget.render(&frame);
    benchmark::DoNotOptimize(frame.constBits());
}

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
        paint(*view);
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
        paint(*view);
    }
}
BENCHMARK(BM_StepChange)->Unit(benchmark::kMillisecond);

void BM_WelcomePaint(benchmark::State& state) {
    Guide guide;
    auto view = guide.open(0);
    for (auto _ : state)
        paint(*view->welcome());
}
BENCHMARK(BM_WelcomePaint)->Unit(benchmark::kMillisecond);

// Records the time of every repaint of a widget.
class PaintClock final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const qint64 now = clock.nsecsElapsed();
            if (last >= 0) {
                worstGapNs = std::max(worstGapNs, now - last);
                totalGapNs += now - last;
                ++gaps;
            }
            last = now;
        }
        return false;
    }
    QElapsedTimer clock;
    qint64 last = -1;
    qint64 worstGapNs = 0;
    qint64 totalGapNs = 0;
    int gaps = 0;
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
        // Run the loop as the application does; QTest::qWaitFor sleeps 10 ms between turns, which would
        // show up as frame gaps of its own.
        QElapsedTimer waited;
        waited.start();
        while (view->frameDots()->isAnimating() && waited.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (view->frameDots()->isAnimating())
            state.SkipWithError("the dot animation did not end");
    }
    state.counters["max_frame_gap_ms"] = double(paints.worstGapNs) / 1e6;
    state.counters["mean_frame_gap_ms"] = paints.gaps ? double(paints.totalGapNs) / paints.gaps / 1e6 : 0;
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
