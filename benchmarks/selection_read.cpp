// Selection reads through each source against helper applications on a real X server. Run inside
// scripts/test-session: selection_read_benchmark <path to clipboard_test_app> <path to selection_owner>.
#include "core/async/task.h"
#include "core/logging.h"
#include "platform/atspi/atspi_accessibility_backend.h"
#include "platform/permission_service.h"
#include "platform/x11/x11_input_service.h"
#include "platform/x11/x11_pasteboard_backend.h"
#include "platform/x11/x11_window_system.h"
#include "platform/x11/xtest_key_injector.h"
#include "workflow/clipboard_census.h"
#include "workflow/clipboard_manager.h"
#include "workflow/selection_reader.h"

#include <QApplication>
#include <QCursor>
#include <QProcess>
#include <QTest>
#include <benchmark/benchmark.h>

namespace tolvane {
namespace {

QString helperProgram;
QString ownerProgram;

struct Desktop {
    X11InputService service;
    X11PasteboardBackend pasteboard{service};
    XTestKeyInjector keys{service};
    X11WindowSystem windows{service};
    AtspiAccessibilityBackend accessibility;
    ClipboardManager clipboard{pasteboard, keys, windows, systemClock()};
    PermissionService permissions{currentSession()};
    SelectionReader reader{SelectionReader::Services{clipboard, pasteboard, accessibility, windows,
                                                     permissions, [] { return QCursor::pos(); },
                                                     currentScreenMappings}};
    QObject context;
};

// Starts a helper, waits for READY and brings its window to the front.
struct Helper {
    QProcess process;
    quint32 window = 0;
    Helper(Desktop& desktop, QStringList arguments, bool accessible) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (accessible)
            environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        process.setProcessEnvironment(environment);
        process.start(helperProgram, arguments);
        (void)QTest::qWaitFor([&] { return process.canReadLine(); }, 10000);
        const QString ready = QString::fromUtf8(process.readLine());
        window = ready.section(QStringLiteral("win=0x"), 1).trimmed().toUInt(nullptr, 16);
        desktop.windows.activate(window);
        (void)QTest::qWaitFor(
            [&] {
                auto front = desktop.windows.frontmost();
                return front && front->target.window == window;
            },
            5000);
    }
    ~Helper() {
        process.kill();
        process.waitForFinished(3000);
    }
};

template <typename T>
QCoro::Task<> store(QCoro::Task<T> task, std::shared_ptr<std::optional<T>> out, std::shared_ptr<bool> done) {
    try {
        *out = co_await std::move(task);
    } catch (...) {
    }
    *done = true;
}

template <typename T>
std::optional<T> runToEnd(Desktop& desktop, std::function<QCoro::Task<T>(CancellationToken)> body) {
    auto out = std::make_shared<std::optional<T>>();
    auto done = std::make_shared<bool>(false);
    spawn(&desktop.context, lcSelectionReader(),
          [out, done, body](CancellationToken token) { return store<T>(body(token), out, done); });
    (void)QTest::qWaitFor([&] { return *done; }, 10000);
    return *out;
}

void BM_AccessibilityRead(benchmark::State& state) {
    Desktop desktop;
    Helper app(desktop, {QStringLiteral("edit"), QStringLiteral("  Grüße  ")}, true);
    (void)QTest::qWaitFor([&] { return desktop.reader.readSelectionSynchronously().has_value(); }, 5000);
    for (auto _ : state) {
        auto selection = desktop.reader.readSelectionSynchronously();
        if (!selection)
            state.SkipWithError("no selection through the accessibility bus");
        benchmark::DoNotOptimize(selection);
    }
}
BENCHMARK(BM_AccessibilityRead)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_PrimaryRead(benchmark::State& state) {
    Desktop desktop;
    Helper app(desktop,
               {QStringLiteral("owner"), QStringLiteral("--primary"), QStringLiteral(" primary text ")},
               false);
    (void)QTest::qWaitFor([&] { return desktop.pasteboard.ownerPid(DesktopSelection::primary).has_value(); },
                          3000);
    for (auto _ : state) {
        auto selection = runToEnd<std::optional<CapturedSelection>>(
            desktop, [&](CancellationToken token) { return desktop.reader.readPrimarySelection(token); });
        if (!selection || !*selection)
            state.SkipWithError("no selection through PRIMARY");
    }
}
BENCHMARK(BM_PrimaryRead)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SyntheticCopyRead(benchmark::State& state) {
    Desktop desktop;
    Helper app(desktop, {QStringLiteral("edit"), QStringLiteral("copied text")}, false);
    for (auto _ : state) {
        auto text = runToEnd<std::optional<QString>>(
            desktop, [&](CancellationToken token) { return desktop.clipboard.copySelectedText(token); });
        if (!text || !*text)
            state.SkipWithError("nothing copied");
    }
}
BENCHMARK(BM_SyntheticCopyRead)->Unit(benchmark::kMillisecond)->Iterations(10);

// The user's clipboard, held by another client (xclip with text, xclip with a file list, a raw owner with
// HTML and three text targets), through repeated synthetic copies: the first half of the rounds with a
// front window that copies nothing, the second half with one that copies. A round mismatches when the
// target list or any target's bytes differ from before, or when nothing was copied and the owner lost the
// clipboard.
void BM_UserClipboardRounds(benchmark::State& state) {
    Desktop desktop;
    X11InputService reader;
    QObject readerContext;
    std::unique_ptr<QProcess> owner = testing::startClipboardOwner(int(state.range(0)), ownerProgram);
    (void)QTest::qWaitFor(
        [&] { return desktop.pasteboard.ownerPid(DesktopSelection::clipboard) == owner->processId(); }, 5000);
    const testing::ClipboardCensus before = testing::clipboardCensus(reader, readerContext);
    const benchmark::IterationCount half = state.max_iterations / 2;
    std::unique_ptr<Helper> front;
    benchmark::IterationCount round = 0;
    int mismatches = 0;
    for (auto _ : state) {
        const bool copying = round >= half;
        if (round == 0 || round == half) {
            front.reset();
            front = std::make_unique<Helper>(
                desktop, QStringList{QStringLiteral("edit"), copying ? QStringLiteral("picked") : QString()},
                false);
        }
        const auto text = runToEnd<std::optional<QString>>(
            desktop, [&](CancellationToken token) { return desktop.clipboard.copySelectedText(token); });
        bool same = text && text->value_or(QString()) == (copying ? QStringLiteral("picked") : QString());
        if (!copying)
            same = same && desktop.pasteboard.ownerPid(DesktopSelection::clipboard) == owner->processId();
        same = same && testing::clipboardCensus(reader, readerContext) == before;
        mismatches += same ? 0 : 1;
        ++round;
    }
    state.counters["rounds"] = double(round);
    state.counters["mismatches"] = mismatches;
    owner->kill();
    owner->waitForFinished(3000);
}
BENCHMARK(BM_UserClipboardRounds)->Arg(0)->Arg(1)->Arg(2)->Iterations(80)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tolvane

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <clipboard_test_app> <selection_owner>\n", argv[0]);
        return 2;
    }
    tolvane::helperProgram = QString::fromLocal8Bit(argv[1]);
    tolvane::ownerProgram = QString::fromLocal8Bit(argv[2]);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
