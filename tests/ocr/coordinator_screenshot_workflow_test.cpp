#include "core/app_error.h"
#include "ocr/coordinator_screenshot_workflow.h"
#include "screenshot_run_fakes.h"
#include "workflow/coordinator_fixture.h"

#include <gtest/gtest.h>

// Screenshot runs and dropped images over the real workflow coordinator, through the adapter the
// application shell builds.
namespace tolvane {
namespace {

using namespace std::chrono_literals;
using Kind = WorkflowStatus::Kind;
using OcrKind = ScreenshotOCRError::Kind;

class CoordinatorScreenshotWorkflowTest : public testing::CoordinatorTest {
protected:
    CoordinatorScreenshotWorkflowTest() {
        service->answerAtOnce =
            ScreenshotSelectionOutcome::capture(QRectF(100, 200, 300, 50), ScreenshotCaptureMode::single);
        workflow = std::make_shared<CoordinatorScreenshotWorkflow>(coordinator.get());
        runs = std::make_unique<ScreenshotRunController>(ScreenshotRunController::Dependencies{
            service, std::make_shared<testing::MemoryRunSettings>(), workflow, &clock, nullptr, [] {}});
        // As the shell wires it: a stop in the coordinator cancels the screenshot run.
        coordinator->setCancelCaptureWorkflowHook([this] {
            hooks << QStringLiteral("cancelCapture");
            runs->cancelScreenshotSession();
        });
    }
    ~CoordinatorScreenshotWorkflowTest() override {
        runs.reset();
        testing::drainEventLoop();
    }
    void settle() {
        for (int i = 0; i < 4; ++i)
            turn();
    }
    QStringList chatTexts() const {
        QStringList texts;
        for (const auto& call : providers.chat)
            texts << call.request.sourceText;
        return texts;
    }

    std::shared_ptr<testing::ScriptedRunService> service = std::make_shared<testing::ScriptedRunService>();
    std::shared_ptr<CoordinatorScreenshotWorkflow> workflow;
    std::unique_ptr<ScreenshotRunController> runs;
};

TEST_F(CoordinatorScreenshotWorkflowTest, EntryOperationsMoveTheCountersADroppedImageCompares) {
    const quint64 serial = workflow->entrySerial();
    const quint64 generation = workflow->explicitCancellationGeneration();
    workflow->beginScreenshotCapture(std::nullopt);
    workflow->translateText(QStringLiteral("a"), false);
    EXPECT_EQ(workflow->entrySerial(), serial + 2);
    EXPECT_EQ(workflow->explicitCancellationGeneration(), generation) << "new input is not a stop";

    workflow->stopTranslation();
    coordinator->dismissPanel();
    coordinator->resetWorkflow();
    EXPECT_EQ(workflow->entrySerial(), serial + 5);
    EXPECT_EQ(workflow->explicitCancellationGeneration(), generation + 3);

    hooks.clear();
    workflow->failWith(QStringLiteral("读取失败"));
    workflow->presentPanel(std::nullopt);
    EXPECT_EQ(coordinator->status(), WorkflowStatus::failed(QStringLiteral("读取失败")));
    EXPECT_EQ(hooks, QStringList({"present()"}));

    // Without a coordinator the calls do nothing.
    coordinator.reset();
    workflow->translateText(QStringLiteral("late"), false);
    workflow->failWith(QStringLiteral("late"));
    EXPECT_EQ(workflow->entrySerial(), 0u);
}

TEST_F(CoordinatorScreenshotWorkflowTest, RunsHandTheirTextToTheCoordinatorAnchoredAtTheRegion) {
    service->script = {QStringLiteral("hello world")};
    runs->startScreenshotSession(ScreenshotPurpose::translate);
    settle();
    EXPECT_FALSE(runs->isRunActive());
    EXPECT_EQ(chatTexts(), QStringList({"hello world"}));
    EXPECT_TRUE(hooks.contains(QStringLiteral("present(100,200)"))) << hooks.join(", ").toStdString();
    EXPECT_EQ(kind(), Kind::streaming);
    EXPECT_FALSE(coordinator->canPasteBackToSource());

    // Recognition only: the text is shown, not translated. While it is read the panel stays busy: the
    // translation it replaced ends without setting the status back to idle.
    hooks.clear();
    service->holdRecognition = true;
    service->script = {QStringLiteral("  shown  ")};
    runs->startScreenshotSession(ScreenshotPurpose::recognizeOnly);
    settle();
    EXPECT_EQ(kind(), Kind::capturing);
    EXPECT_EQ(providers.liveStreams(), 0);
    service->holdRecognition = false;
    service->release();
    settle();
    EXPECT_EQ(chatTexts().size(), 1);
    EXPECT_EQ(coordinator->sourceText(), QStringLiteral("shown"));
    EXPECT_EQ(kind(), Kind::textCaptured);
    EXPECT_EQ(hooks.last(), QStringLiteral("present(100,200)"));

    // A failed capture is shown as the failure, with the panel opened without an anchor.
    hooks.clear();
    service->script = {OcrKind::captureFailed};
    runs->startScreenshotSession(ScreenshotPurpose::translate);
    settle();
    const QString message =
        describeError(std::make_exception_ptr(ScreenshotOCRError(OcrKind::captureFailed)));
    EXPECT_EQ(coordinator->status(), WorkflowStatus::failed(message));
    EXPECT_EQ(hooks.last(), QStringLiteral("present()"));
}

TEST_F(CoordinatorScreenshotWorkflowTest, AStopInTheCoordinatorEndsAContinuousRunForGood) {
    service->answerAtOnce->mode = ScreenshotCaptureMode::continuous;
    service->script = {QStringLiteral("first"), QStringLiteral("second")};
    runs->startScreenshotSession(ScreenshotPurpose::translate);
    settle();
    ASSERT_EQ(chatTexts(), QStringList({"first"}));
    ASSERT_TRUE(runs->isRunActive());

    // The stop reaches the run through the coordinator's own hook, while the run waits for its next cycle.
    coordinator->stopTranslation();
    settle();
    EXPECT_FALSE(runs->isRunActive());
    EXPECT_FALSE(runs->hasEscapeMonitors());
    clock.advance(5s);
    settle();
    EXPECT_EQ(service->captures.size(), 1) << "no cycle after the stop";
    EXPECT_EQ(chatTexts(), QStringList({"first"}));
    EXPECT_EQ(kind(), Kind::cancelled);
    EXPECT_EQ(providers.liveStreams(), 0);
}

TEST_F(CoordinatorScreenshotWorkflowTest, ADroppedImageReachesTheCoordinatorOnlyIfNothingNewerCameFirst) {
    const QImage image(8, 8, QImage::Format_RGB32);
    service->holdRecognition = true;

    // Undisturbed: translated, with no paste-back target.
    service->script = {QStringLiteral("dropped")};
    runs->recognizeDroppedImage(image);
    settle();
    EXPECT_EQ(kind(), Kind::capturing);
    service->release();
    settle();
    EXPECT_EQ(chatTexts(), QStringList({"dropped"}));
    EXPECT_FALSE(coordinator->canPasteBackToSource());

    // A stop during recognition: the late text is dropped.
    service->script = {QStringLiteral("after stop")};
    runs->recognizeDroppedImage(image);
    settle();
    coordinator->stopTranslation();
    service->release();
    settle();
    EXPECT_EQ(chatTexts().size(), 1);
    EXPECT_EQ(kind(), Kind::cancelled);

    // Newer typed-in work during recognition: only that is translated.
    service->script = {QStringLiteral("overtaken")};
    runs->recognizeDroppedImage(image);
    settle();
    coordinator->translateText(QStringLiteral("newer"), false);
    service->release();
    settle();
    EXPECT_EQ(chatTexts(), QStringList({"dropped", "newer"}));

    // A new run during recognition, its overlay closed without a region: the panel is not left busy.
    service->answerAtOnce.reset();
    runs->recognizeDroppedImage(image);
    settle();
    ASSERT_EQ(kind(), Kind::capturing);
    runs->startScreenshotSession(ScreenshotPurpose::translate);
    runs->cancelScreenshotSession();
    service->release();
    settle();
    EXPECT_EQ(kind(), Kind::cancelled);
    EXPECT_EQ(chatTexts(), QStringList({"dropped", "newer"}));

    // A real failure is still shown.
    hooks.clear();
    service->script = {OcrKind::noTextRecognized};
    runs->recognizeDroppedImage(image);
    settle();
    service->release();
    settle();
    EXPECT_EQ(kind(), Kind::failed);
    EXPECT_EQ(hooks.last(), QStringLiteral("present()"));
}

} // namespace
} // namespace tolvane
