#include "core/app_error.h"
#include "screenshot_run_fakes.h"
#include "workflow/fake_global_input.h"

#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace tolvane {
namespace {

using testing::settle;
using testing::VirtualClock;
using Kind = ScreenshotOCRError::Kind;

struct RunFixture {
    std::shared_ptr<testing::ScriptedRunService> service = std::make_shared<testing::ScriptedRunService>();
    std::shared_ptr<testing::MemoryRunSettings> settings = std::make_shared<testing::MemoryRunSettings>();
    std::shared_ptr<testing::RecordingRunWorkflow> workflow =
        std::make_shared<testing::RecordingRunWorkflow>();
    VirtualClock clock;
    int beeps = 0;
    std::unique_ptr<ScreenshotRunController> runner;

    RunFixture() {
        settings->words = {QStringLiteral(" src "), QStringLiteral("tgt")};
        ScreenshotRunController::Dependencies deps{service, settings, workflow,
                                                   &clock,  nullptr,  [this] { ++beeps; }};
        runner = std::make_unique<ScreenshotRunController>(std::move(deps));
        // As in the application: stopping the translation ends the screenshot run.
        workflow->onStop = [this] { runner->cancelScreenshotSession(); };
    }
    void start(ScreenshotPurpose purpose = ScreenshotPurpose::translate) {
        runner->startScreenshotSession(purpose);
        settle();
    }
    void pressEscape() {
        QWidget window;
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
        settle();
    }
    QString failureText(Kind kind) const { return "failed:" + ScreenshotOCRError(kind).description(); }
};

const QRectF kRegion(100, 200, 300, 50);
const auto kCapture = [](QRectF r, ScreenshotCaptureMode m) {
    return ScreenshotSelectionOutcome::capture(r, m);
};

TEST(ScreenshotRunController, SingleRunHandsOverOnceAndEnds) {
    RunFixture f;
    f.settings->memory = ScreenshotRegionMemory{QRectF(0, 0, 1, 1), QRectF(5, 6, 70, 80), std::nullopt};
    f.start(ScreenshotPurpose::recognizeOnly);
    ASSERT_EQ(f.service->selections.size(), 1u);
    EXPECT_EQ(f.service->selections[0].remembered, QRectF(5, 6, 70, 80));
    EXPECT_EQ(f.service->selections[0].batchCount, 0);
    EXPECT_TRUE(f.runner->hasEscapeMonitors());
    f.service->script = {QStringLiteral("hello")};
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::single));
    ASSERT_EQ(f.workflow->handOvers.size(), 1u);
    EXPECT_EQ(f.workflow->handOvers[0].call, "show");
    EXPECT_EQ(f.workflow->handOvers[0].anchor, QRect(100, 200, 300, 50));
    EXPECT_EQ(f.workflow->beginAnchors, (std::vector<std::optional<QRect>>{QRect(100, 200, 300, 50)}));
    EXPECT_EQ(f.service->words, (QStringList{" src ", "tgt"}));
    EXPECT_EQ(f.settings->remembered, 1);
    EXPECT_FALSE(f.runner->isRunActive());
    EXPECT_FALSE(f.runner->hasEscapeMonitors());

    RunFixture empty;
    empty.start();
    empty.service->answer(kCapture(kRegion, ScreenshotCaptureMode::single));
    EXPECT_EQ(empty.workflow->calls,
              (QStringList{"begin", empty.failureText(Kind::noTextRecognized), "present"}));
}

TEST(ScreenshotRunController, ContinuousRunSendsOnlyChangedTextUntilCancelled) {
    RunFixture f;
    f.service->script = {QStringLiteral("a b"), QStringLiteral("a\nb"), Kind::noTextRecognized,
                         QStringLiteral("a  c")};
    f.start();
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::continuous));
    EXPECT_EQ(f.settings->mode, ScreenshotCaptureMode::continuous);
    for (int cycle = 1; cycle < 4; ++cycle) {
        EXPECT_EQ(f.service->captures.size(), cycle) << "waits 1.2 s between cycles";
        f.clock.advance(std::chrono::milliseconds(1199));
        settle();
        EXPECT_EQ(f.service->captures.size(), cycle);
        if (cycle == 2)
            f.settings->hint = QStringLiteral("zh-Hans");
        f.clock.advance(std::chrono::milliseconds(1));
        settle();
    }
    EXPECT_EQ(f.service->hints, (QStringList{"en", "en", "zh-Hans", "zh-Hans"}));
    ASSERT_EQ(f.workflow->handOvers.size(), 2u);
    EXPECT_EQ(f.workflow->handOvers[0].text, "a b");
    EXPECT_EQ(f.workflow->handOvers[1].text, "a  c") << "the raw text is sent";
    EXPECT_EQ(f.workflow->handOvers[1].anchor, QRect(100, 200, 300, 50));
    EXPECT_EQ(f.settings->remembered, 1);

    f.pressEscape(); // during the wait
    f.clock.advance(std::chrono::seconds(5));
    settle();
    EXPECT_EQ(f.workflow->calls.count("stop"), 1);
    EXPECT_EQ(f.service->captures.size(), 4);
    EXPECT_FALSE(f.runner->isRunActive());
}

TEST(ScreenshotRunController, ContinuousRunSkipsRecognitionOfAnUnchangedPicture) {
    RunFixture f;
    f.service->sameImageEveryTime = true;
    f.service->script = {QStringLiteral("same"), QStringLiteral("same")};
    f.start();
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::continuous));
    f.clock.advance(std::chrono::milliseconds(1200));
    settle();
    f.clock.advance(std::chrono::milliseconds(1200));
    settle();
    EXPECT_EQ(f.service->captures.size(), 3);
    EXPECT_EQ(f.service->hints.size(), 1) << "one recognition for three identical pictures";
    f.settings->hint = QStringLiteral("ja");
    f.clock.advance(std::chrono::milliseconds(1200));
    settle();
    EXPECT_EQ(f.service->hints.size(), 2) << "a new hint recognises again";
    EXPECT_EQ(f.workflow->handOvers.size(), 1u);
    f.runner->cancelScreenshotSession();
    settle();
}

TEST(ScreenshotRunController, BatchJoinsTextsAndAnchorsAtTheLastRegion) {
    RunFixture f;
    f.service->script = {QStringLiteral("one"), Kind::noTextRecognized, QStringLiteral("  two  ")};
    f.start();
    f.service->answer(kCapture(QRectF(0, 0, 100, 100), ScreenshotCaptureMode::batch));
    f.service->answer(kCapture(QRectF(10, 10, 100, 100), ScreenshotCaptureMode::batch));
    f.service->answer(kCapture(QRectF(20, 20, 100, 40), ScreenshotCaptureMode::batch));
    f.service->answer(ScreenshotSelectionOutcome::finishBatch());
    ASSERT_EQ(f.service->selections.size(), 4u);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(f.service->selections[i].batchCount, i);
        EXPECT_EQ(f.service->selections[i].initialMode, ScreenshotCaptureMode::batch);
    }
    EXPECT_EQ(f.service->selections[3].remembered, QRectF(20, 20, 100, 40));
    EXPECT_EQ(f.beeps, 1);
    EXPECT_EQ(f.settings->remembered, 3);
    ASSERT_EQ(f.workflow->handOvers.size(), 1u);
    EXPECT_EQ(f.workflow->handOvers[0].text, "one\n\ntwo");
    EXPECT_EQ(f.workflow->handOvers[0].anchor, QRect(20, 20, 100, 40));
}

TEST(ScreenshotRunController, BatchStopsAtTwentyRegionsAndFailsWhenAllAreEmpty) {
    RunFixture f;
    f.start();
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::batch));
    for (int i = 1; i < ScreenshotRunController::kBatchLimit; ++i)
        f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::batch));
    EXPECT_EQ(f.service->selections.size(), 20u) << "no 21st overlay";
    EXPECT_EQ(f.beeps, 20);
    EXPECT_TRUE(f.workflow->handOvers.empty());
    EXPECT_EQ(f.workflow->calls.back(), "present");
    EXPECT_TRUE(f.workflow->calls.contains(f.failureText(Kind::noTextRecognized)));
    EXPECT_FALSE(f.runner->isRunActive());
}

// Escape pressed with another application focused ends the run from the raw stream; the same press may then
// reach one of our windows as a key event after the run has ended. That event is swallowed, so it does not
// also close the panel (whose Escape filter was installed earlier); a later Escape goes through.
TEST(ScreenshotRunController, TheEscapeThatEndedARunFromTheRawStreamIsNotTakenTwice) {
    testing::FakeGlobalInput input;
    struct Seen : QObject {
        int escapes = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            escapes +=
                event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
            return false;
        }
    } panelFilter;
    qApp->installEventFilter(&panelFilter);
    RunFixture f;
    f.runner = std::make_unique<ScreenshotRunController>(
        ScreenshotRunController::Dependencies{f.service, f.settings, f.workflow, &f.clock, &input, [] {}});
    f.start();
    RawInputEvent escape;
    escape.level0Keysym = 0xff1b;
    escape.time = 4242;
    input.raw(escape);
    settle();
    EXPECT_FALSE(f.runner->isRunActive());
    const auto pressEscapeAt = [](ulong time) {
        QWidget window;
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        event.setTimestamp(time);
        QCoreApplication::sendEvent(&window, &event);
    };
    pressEscapeAt(4242);
    EXPECT_EQ(panelFilter.escapes, 0) << "the press that ended the run";
    pressEscapeAt(5000);
    pressEscapeAt(5100);
    EXPECT_EQ(panelFilter.escapes, 2);
    qApp->removeEventFilter(&panelFilter);
}

TEST(ScreenshotRunController, EscapeInTheFirstOverlayMakesNoWorkflowCall) {
    RunFixture f;
    f.start();
    f.pressEscape();
    EXPECT_TRUE(f.workflow->calls.isEmpty());
    EXPECT_FALSE(f.runner->isRunActive());
    EXPECT_FALSE(f.runner->hasEscapeMonitors());

    RunFixture tooSmall;
    tooSmall.start();
    tooSmall.service->selections[0].result.fail(
        std::make_exception_ptr(ScreenshotSelectionError(ScreenshotSelectionError::Kind::selectionTooSmall)));
    settle();
    EXPECT_EQ(tooSmall.workflow->calls.size(), 2);
    EXPECT_EQ(tooSmall.workflow->calls.back(), "present");
}

TEST(ScreenshotRunController, EscapeDuringRecognitionStopsTheTranslation) {
    RunFixture f;
    f.service->holdRecognition = true;
    f.service->script = {QStringLiteral("late")};
    f.start();
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::single));
    f.pressEscape();
    f.service->release();
    EXPECT_EQ(f.workflow->calls, (QStringList{"begin", "stop"}));
    EXPECT_TRUE(f.workflow->handOvers.empty());
}

TEST(ScreenshotRunController, AReplacedRunEndsSilentlyAndLeavesTheNewRunIntact) {
    RunFixture f;
    f.service->script = {QStringLiteral("first")};
    f.start();
    f.service->answer(kCapture(kRegion, ScreenshotCaptureMode::continuous));
    ASSERT_EQ(f.workflow->handOvers.size(), 1u); // now waiting between cycles
    f.start();
    const quint64 newRun = f.runner->activeRunId();
    f.clock.advance(std::chrono::seconds(3));
    settle();
    EXPECT_FALSE(f.workflow->calls.contains("stop")) << "the replaced run makes no stop";
    EXPECT_EQ(f.runner->activeRunId(), newRun);
    EXPECT_TRUE(f.runner->hasEscapeMonitors());
    ASSERT_EQ(f.service->selections.size(), 2u);
    EXPECT_FALSE(f.service->selections[1].result.isSettled()) << "the new overlay stays open";

    // A run replaced while its first overlay is open ends silently as well.
    f.start();
    EXPECT_EQ(f.workflow->calls, (QStringList{"begin", "translateRecognized"})) << "no stop";
    EXPECT_TRUE(f.service->selections[1].result.isSettled());
    EXPECT_TRUE(f.runner->isRunActive());
    f.pressEscape();
    EXPECT_FALSE(f.runner->isRunActive());
}

TEST(ScreenshotRunController, DroppedImagesAreTranslatedUnlessSomethingNewerCame) {
    RunFixture f;
    f.service->script = {QStringLiteral("dropped")};
    f.runner->recognizeDroppedImage(QImage(4, 4, QImage::Format_RGB32));
    settle();
    ASSERT_EQ(f.workflow->handOvers.size(), 1u);
    EXPECT_EQ(f.workflow->handOvers[0].call, "translateText");

    struct Case {
        const char* name;
        std::function<void(RunFixture&)> interrupt;
        size_t handOvers; // only a newer drop hands over its own text
    };
    const Case cases[] = {
        {"stop", [](RunFixture& r) { r.workflow->stopTranslation(); }, 0},
        {"newer translation", [](RunFixture& r) { ++r.workflow->serial; }, 0},
        {"new run", [](RunFixture& r) { r.start(); }, 0},
        {"new drop",
         [](RunFixture& r) { r.runner->recognizeDroppedImage(QImage(2, 2, QImage::Format_RGB32)); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture r;
        r.service->holdRecognition = true;
        r.service->script = {QStringLiteral("old"), QStringLiteral("new")};
        r.runner->recognizeDroppedImage(QImage(4, 4, QImage::Format_RGB32));
        settle();
        c.interrupt(r);
        settle();
        r.service->release();
        EXPECT_EQ(r.workflow->handOvers.size(), c.handOvers);
        EXPECT_EQ(r.service->hints.size(), c.handOvers + 1);
        EXPECT_FALSE(r.workflow->calls.filter("failed").size() > 0);
    }

    RunFixture failing;
    failing.service->script = {Kind::recognitionFailed};
    failing.runner->recognizeDroppedImage(QImage(4, 4, QImage::Format_RGB32));
    settle();
    EXPECT_EQ(failing.workflow->calls,
              (QStringList{"begin", failing.failureText(Kind::recognitionFailed), "present"}));
}

} // namespace
} // namespace tolvane
