#include "coordinator_fixture.h"

#include "core/logging.h"

#include <QPointer>

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

using Kind = WorkflowStatus::Kind;
using EntryOperationsTest = CoordinatorTest;

TEST_F(EntryOperationsTest, SelectionWithNothingAnywhereOpensManualInput) {
    const QUuid before = coordinator->manualInputSessionID();
    coordinator->translateSelection();
    turn();
    EXPECT_EQ(statuses, (QStringList{"capturing", "manualInput"}));
    EXPECT_NE(coordinator->manualInputSessionID(), before);
    EXPECT_TRUE(coordinator->isManualInputMode());
    EXPECT_FALSE(coordinator->canPasteBackToSource());
    EXPECT_EQ(hooks, (QStringList{"present()", "focus"}));
    EXPECT_EQ(pasteBack.captures, 1);
}

TEST_F(EntryOperationsTest, SelectionReadFailureIsShownWithThePanelUnanchored) {
    selection.error = std::make_exception_ptr(TestError(QStringLiteral("需要辅助功能权限")));
    coordinator->translateSelection();
    turn();
    EXPECT_EQ(coordinator->status(), WorkflowStatus::failed(QStringLiteral("需要辅助功能权限")));
    EXPECT_EQ(hooks, QStringList{"present()"});
    EXPECT_FALSE(coordinator->canPasteBackToSource());
}

TEST_F(EntryOperationsTest, SelectionReadThroughFallbackAndSynchronousReadAreAnchoredAndPasteable) {
    selection.asynchronous = CapturedSelection{QStringLiteral("hello"), QRect(5, 6, 1, 1)};
    coordinator->translateSelection();
    turn();
    EXPECT_EQ(hooks, QStringList{"present(5,6)"});
    EXPECT_TRUE(coordinator->canPasteBackToSource());
    EXPECT_EQ(kind(), Kind::streaming);

    hooks.clear();
    selection.synchronous = CapturedSelection{QStringLiteral("world"), QRect(40, 50, 10, 10)};
    coordinator->translateSelection();
    turn();
    EXPECT_EQ(hooks, QStringList{"present(40,50)"});
    EXPECT_EQ(pasteBack.captures, 3) << "the captured-selection road repeats the capture";
    answer(QStringLiteral("世界"));
    EXPECT_EQ(kind(), Kind::completed);
    EXPECT_TRUE(coordinator->canPasteBackToSource());
    EXPECT_EQ(providers.liveStreams(), 0);
}

TEST_F(EntryOperationsTest, NewSelectionSupersedesAStreamingTranslationWithoutAFailure) {
    translate(QStringLiteral("A"));
    chunk(QStringLiteral("a1"));
    auto aWriter = providers.lastChat();
    coordinator->translateCapturedSelection({QStringLiteral("B"), QRect(1, 2, 3, 4)});
    aWriter.send(AIChunk{QStringLiteral("a2")});
    turn();
    answer(QStringLiteral("b1"));
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("b1"));
    EXPECT_EQ(kind(), Kind::completed);
    EXPECT_TRUE(coordinator->canPasteBackToSource());
    EXPECT_FALSE(statuses.join(',').contains("failed"));
    ASSERT_EQ(recorder.records.size(), 1u);
    EXPECT_EQ(recorder.records[0].request.sourceText, QStringLiteral("B"));
}

TEST_F(EntryOperationsTest, PanelDebounceReplacingRecognisedTextLeavesOneLiveStream) {
    coordinator->panelInputDidChange(QStringLiteral("hello"));
    coordinator->translateRecognizedText(QStringLiteral("world"), QRect(7, 8, 9, 9));
    turn();
    EXPECT_EQ(providers.liveStreams(), 1);
    chunk(QStringLiteral("世界"));
    clock.advance(800ms);
    turn();
    ASSERT_EQ(providers.chat.size(), 2u);
    EXPECT_EQ(providers.chat[1].request.sourceText, QStringLiteral("hello"));
    EXPECT_EQ(providers.liveStreams(), 1) << "the automatic translation must cancel the recognised-text task";
    providers.chat[0].writer.send(AIChunk{QStringLiteral(" stale")});
    answer(QStringLiteral("你好"));
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("你好"));
    EXPECT_EQ(kind(), Kind::completed);
}

TEST_F(EntryOperationsTest, ScreenshotCaptureLeavesManualInputAndShowsTheBusyPanel) {
    coordinator->panelInputDidChange(QStringLiteral("a"));
    ASSERT_TRUE(coordinator->isManualInputMode());
    hooks.clear();
    coordinator->beginScreenshotCapture(std::nullopt);
    EXPECT_FALSE(coordinator->isManualInputMode());
    EXPECT_EQ(kind(), Kind::capturing);
    EXPECT_TRUE(coordinator->sourceText().isEmpty());
    EXPECT_EQ(hooks, QStringList{"present()"});
}

TEST_F(EntryOperationsTest, RecognisedTextShownOnlyIsTrimmedAndNamedOCR) {
    coordinator->showRecognizedText(QStringLiteral("   "), QRect(3, 4, 10, 10));
    EXPECT_EQ(kind(), Kind::empty);
    EXPECT_EQ(coordinator->providerName(), QStringLiteral("OCR"));
    coordinator->showRecognizedText(QStringLiteral("  abc \n"), std::nullopt);
    EXPECT_EQ(coordinator->sourceText(), QStringLiteral("abc"));
    EXPECT_EQ(kind(), Kind::textCaptured);
    EXPECT_EQ(hooks, (QStringList{"present(3,4)", "present()"}));
    EXPECT_TRUE(providers.chat.empty());
}

TEST_F(EntryOperationsTest, StopWhileIdleOrInTheSameTurnAsTheStartRunsNoTask) {
    coordinator->stopTranslation();
    EXPECT_EQ(hooks, QStringList{"cancelCapture"});
    EXPECT_EQ(kind(), Kind::cancelled);

    coordinator->translateText(QStringLiteral("A"), false);
    coordinator->stopTranslation();
    turn();
    EXPECT_EQ(kind(), Kind::cancelled);
    EXPECT_TRUE(providers.chat.empty());
    EXPECT_EQ(recorder.lookups, 0);
}

TEST_F(EntryOperationsTest, ReplaceOriginalPastesOrReportsAndKeepsTheResult) {
    translate(QStringLiteral("hello"));
    answer(QStringLiteral("你好"));
    hooks.clear();
    coordinator->replaceOriginal();
    turn();
    EXPECT_TRUE(hooks.isEmpty()) << "without paste-back permission nothing happens";
    EXPECT_TRUE(pasteBack.pasted.isEmpty());

    translate(QStringLiteral("hello"), true);
    coordinator->replaceOriginal();
    turn();
    EXPECT_EQ(pasteBack.pasted, QStringList{QStringLiteral("你好")});

    pasteBack.error = std::make_exception_ptr(TestError(QStringLiteral("来源 App 已关闭")));
    hooks.clear();
    coordinator->replaceOriginal();
    turn();
    EXPECT_EQ(hooks, (QStringList{"close", "present()"}));
    EXPECT_EQ(coordinator->status(),
              WorkflowStatus::failed(QStringLiteral("替换原文失败，已保留翻译结果：来源 App 已关闭")));
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("你好"));
}

TEST_F(EntryOperationsTest, RetranslateOnlyOrsTheFlagForAnUnchangedRequestAndDispatchesByMode) {
    coordinator->retranslate(QStringLiteral(" hello "), false);
    turn();
    ASSERT_EQ(providers.chat.size(), 1u);
    answer(QStringLiteral("你好"));
    coordinator->retranslate(QStringLiteral("hello"), true);
    turn();
    EXPECT_EQ(providers.chat.size(), 1u);
    EXPECT_TRUE(coordinator->canPasteBackToSource());
    coordinator->retranslate(QStringLiteral("   "), true);
    turn();
    EXPECT_EQ(providers.chat.size(), 1u);

    // Typed input in the main window: the translation reuses the input's history id.
    coordinator->translateInputText(QStringLiteral("first"));
    turn();
    const auto inputId = coordinator->inputHistoryEntryID();
    ASSERT_TRUE(inputId);
    coordinator->retranslate(QStringLiteral("second"), true);
    turn();
    answer(QStringLiteral("二"));
    EXPECT_EQ(recorder.records.back().historyEntryId, *inputId);
    EXPECT_FALSE(coordinator->canPasteBackToSource()) << "typed input never pastes back";

    // Manual input in the panel stays in manual mode.
    coordinator->panelInputDidChange(QStringLiteral("x"));
    coordinator->retranslate(QStringLiteral("third"), true);
    turn();
    EXPECT_TRUE(coordinator->isManualInputMode());
    EXPECT_EQ(providers.chat.back().request.sourceText, QStringLiteral("third"));
}

TEST_F(EntryOperationsTest, HistoryEntryShownWhileStreamingWinsOverLatePieces) {
    translate(QStringLiteral("hello"));
    chunk(QStringLiteral("part"));
    coordinator->showHistoryEntry(
        historyEntry(QStringLiteral("ID-1"), QStringLiteral("src"), QStringLiteral("res")));
    providers.lastChat().send(AIChunk{QStringLiteral(" late")});
    providers.lastChat().finish();
    turn();
    EXPECT_EQ(kind(), Kind::completed);
    EXPECT_EQ(coordinator->sourceText(), QStringLiteral("src"));
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("res"));
    EXPECT_EQ(coordinator->providerName(), QStringLiteral("memory"));
    EXPECT_EQ(coordinator->displayedHistoryEntryID(), QStringLiteral("ID-1"));
    EXPECT_EQ(coordinator->lastTimeToFirstTokenMilliseconds(), std::nullopt);
    EXPECT_TRUE(recorder.records.empty());
}

TEST_F(EntryOperationsTest, ManualInputTranslateAndEmptyTextAndDismiss) {
    coordinator->translateManualInput(QStringLiteral("  \n"));
    EXPECT_EQ(kind(), Kind::manualInput);
    EXPECT_TRUE(coordinator->isManualInputMode());
    EXPECT_FALSE(coordinator->inputHistoryEntryID());
    coordinator->translateManualInput(QStringLiteral(" typed "));
    turn();
    ASSERT_EQ(providers.chat.size(), 1u);
    EXPECT_EQ(providers.chat[0].request.sourceText, QStringLiteral("typed"));
    chunk(QStringLiteral("部分"));
    hooks.clear();
    coordinator->dismissPanel();
    turn();
    EXPECT_EQ(hooks, (QStringList{"cancelCapture", "close"}));
    EXPECT_FALSE(coordinator->isManualInputMode());
    EXPECT_FALSE(coordinator->inputHistoryEntryID());
    EXPECT_EQ(kind(), Kind::idle) << "a dismissed typed translation settles neutrally";
    EXPECT_TRUE(recorder.records.empty());
}

TEST_F(EntryOperationsTest, ResetAndCopyActions) {
    translate(QStringLiteral("hello"), true);
    answer(QStringLiteral("你好"));
    coordinator->copyResultText();
    coordinator->copySourceText();
    EXPECT_EQ(clipboard.writes, (QStringList{QStringLiteral("你好"), QStringLiteral("hello")}));
    coordinator->resetWorkflow();
    EXPECT_EQ(kind(), Kind::idle);
    EXPECT_TRUE(coordinator->sourceText().isEmpty());
    EXPECT_TRUE(coordinator->resultText().isEmpty());
    EXPECT_FALSE(coordinator->canPasteBackToSource());
    coordinator->copyResultText();
    EXPECT_EQ(clipboard.writes.size(), 2) << "an empty text is not copied";
}

TEST_F(EntryOperationsTest, HooksThatAreUnsetOrWhoseTargetIsGoneAreSkipped) {
    auto* panel = new QObject;
    QPointer<QObject> weakPanel(panel);
    int calls = 0;
    coordinator->setPresentPanelHook([weakPanel, &calls](std::optional<QRect>) {
        if (weakPanel)
            ++calls;
    });
    coordinator->setFocusPanelInputHook({});
    coordinator->setClosePanelHook({});
    coordinator->setCancelCaptureWorkflowHook({});
    delete panel;
    coordinator->translateSelection();
    turn();
    coordinator->dismissPanel();
    coordinator->stopTranslation();
    coordinator->beginScreenshotCapture(std::nullopt);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(kind(), Kind::capturing);
}

TEST_F(EntryOperationsTest, CaptureCancellationHandlerCallingStopRunsOnALaterTurn) {
    // A fake overlay: finishing it resolves its pending selection through the event loop, and the screenshot
    // run's handler then stops the translation.
    Signal overlayFinished;
    int stopsFromHandler = 0;
    coordinator->setCancelCaptureWorkflowHook([overlayFinished] { overlayFinished.resolve({}); });
    QObject context;
    spawn(&context, lcWorkflow(), [this, overlayFinished, &stopsFromHandler](CancellationToken) {
        return [](WorkflowCoordinator* c, Signal finished, int* stops) -> QCoro::Task<> {
            co_await finished.wait();
            ++*stops;
            c->stopTranslation();
        }(coordinator.get(), overlayFinished, &stopsFromHandler);
    });
    turn();
    coordinator->beginScreenshotCapture(std::nullopt);
    coordinator->stopTranslation();
    EXPECT_EQ(stopsFromHandler, 0) << "the handler must not run inside stopTranslation()";
    turn();
    EXPECT_EQ(stopsFromHandler, 1);
    EXPECT_EQ(kind(), Kind::cancelled);
}

} // namespace
} // namespace tolvane::testing
