// Latency of the global input paths on a real X server: an XTest key press to the hot-key handler, and the
// release of a mouse drag to the selection capsule being shown (reported with the first 180 ms read delay
// included). Run inside scripts/test-session: global_input_latency_benchmark.
#include "event_loop_spin.h"
#include "platform/x11/x11_global_input.h"
#include "platform/x11/x11_input_service.h"
#include "platform/x11/x11_keymap.h"
#include "workflow/auto_selection_button_controller.h"
#include "workflow/hot_key_manager.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <X11/keysym.h>
#include <benchmark/benchmark.h>
#include <xcb/xtest.h>

namespace tolvane {
namespace {

// A separate client injecting input, like a user's keyboard and mouse.
struct Injector {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    X11Keymap keymap = X11Keymap::read(connection);
    ~Injector() { xcb_disconnect(connection); }

    void key(uint8_t type, uint32_t keysym) {
        xcb_test_fake_input(connection, type, *keymap.keycodeFor(keysym), XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                            0);
        xcb_flush(connection);
    }
    void button(uint8_t type) {
        xcb_test_fake_input(connection, type, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(connection);
    }
    void moveTo(int x, int y) {
        xcb_test_fake_input(connection, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, int16_t(x), int16_t(y),
                            0);
        xcb_flush(connection);
    }
};

void spinFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

void BM_KeyPressToHandler(benchmark::State& state) {
    X11InputService service;
    X11GlobalInput input(service, SessionKind::x11);
    HotKeyManager manager(input);
    int calls = 0;
    HotKeyManager::Handlers handlers{{ShortcutAction::translateSelection, [&calls] { ++calls; }}};
    if (!manager.registerShortcuts(ShortcutConfiguration::defaultShortcuts(), handlers).empty()) {
        state.SkipWithError("grab failed");
        return;
    }
    Injector injector;
    for (auto _ : state) {
        injector.key(XCB_KEY_PRESS, XK_Control_L);
        injector.key(XCB_KEY_PRESS, XK_Alt_L);
        spinFor(2);
        const int before = calls;
        QElapsedTimer timer;
        timer.start();
        injector.key(XCB_KEY_PRESS, XK_t);
        const bool fired = spinUntil([&] { return calls > before; });
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        injector.key(XCB_KEY_RELEASE, XK_t);
        injector.key(XCB_KEY_RELEASE, XK_Alt_L);
        injector.key(XCB_KEY_RELEASE, XK_Control_L);
        spinFor(5);
        if (!fired) {
            state.SkipWithError("handler not called");
            return;
        }
    }
}
BENCHMARK(BM_KeyPressToHandler)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

class EnabledSettings final : public AutoSelectionButtonSettings {
public:
    bool autoSelectionButtonEnabled() const override { return true; }
    void setTranslationStyle(TranslationStyle) override {}
    void flushPendingChanges() override {}
};

QCoro::Task<std::optional<CapturedSelection>> fixedSelection() {
    co_return CapturedSelection{QStringLiteral("hello world"), std::nullopt};
}

void BM_DragEndToCapsuleShown(benchmark::State& state) {
    X11InputService service;
    X11GlobalInput input(service, SessionKind::x11);
    EnabledSettings settings;
    quint64 primaryChanges = 0;
    AutoSelectionButtonController controller(
        {input, settings, systemClock(), [] { return true; }, [] { return false; },
         [&primaryChanges] { return primaryChanges; }, [](CancellationToken) { return fixedSelection(); },
         [] { return QCursor::pos(); }},
        [](const CapturedSelection&) {});
    controller.start();
    Injector injector;
    for (auto _ : state) {
        controller.hideCapsule();
        injector.moveTo(300, 300);
        spinFor(20);
        injector.button(XCB_BUTTON_PRESS);
        spinFor(20);
        injector.moveTo(340, 300);
        spinFor(20);
        ++primaryChanges; // the application under the pointer claims PRIMARY on release
        QElapsedTimer timer;
        timer.start();
        injector.button(XCB_BUTTON_RELEASE);
        const bool shown = spinUntil([&] { return controller.isCapsuleVisible(); });
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        if (!shown) {
            state.SkipWithError("capsule not shown");
            return;
        }
    }
}
BENCHMARK(BM_DragEndToCapsuleShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
} // namespace tolvane

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
