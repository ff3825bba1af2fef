#include "coordinator_fixture.h"
#include "workflow/dispatch_spacing.h"

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

using Kind = WorkflowStatus::Kind;
using TypingTest = CoordinatorTest;

TEST_F(TypingTest, EditsWithinTheDebounceSendOneRequestForTheLastText) {
    coordinator->manualInputDidChange(QStringLiteral("ab"));
    clock.advance(300ms);
    coordinator->manualInputDidChange(QStringLiteral("abc"));
    clock.advance(799ms);
    EXPECT_TRUE(providers.chat.empty());
    clock.advance(1ms);
    turn();
    ASSERT_EQ(providers.chat.size(), 1u);
    EXPECT_EQ(providers.chat[0].request.sourceText, QStringLiteral("abc"));
    EXPECT_EQ(kind(), Kind::streaming);
}

TEST_F(TypingTest, AutomaticDispatchesAreSpacedFromTheMomentEachWasLetThrough) {
    coordinator->manualInputDidChange(QStringLiteral("first text"));
    clock.advance(800ms);
    turn();
    ASSERT_EQ(providers.chat.size(), 1u);
    chunk(QStringLiteral("一"));
    clock.advance(100ms); // 0.9 s
    coordinator->manualInputDidChange(QStringLiteral("second text"));
    clock.advance(1399ms); // 2.299 s: past the debounce (1.7 s), still inside the spacing
    turn();
    EXPECT_EQ(providers.chat.size(), 1u);
    clock.advance(1ms); // 2.3 s
    turn();
    ASSERT_EQ(providers.chat.size(), 2u);
    EXPECT_EQ(providers.chat[1].request.sourceText, QStringLiteral("second text"));
    EXPECT_FALSE(statuses.join(',').contains("failed"));
    EXPECT_FALSE(statuses.contains("cancelled")) << "the superseded translation ends silently";
}

TEST_F(TypingTest, FailedAutomaticRequestIsNotResentFromTheMainWindowButIsFromThePanel) {
    coordinator->manualInputDidChange(QStringLiteral("hello"));
    clock.advance(800ms);
    turn();
    providers.lastChat().fail(std::make_exception_ptr(TestError(QStringLiteral("quota exceeded"))));
    turn();
    EXPECT_EQ(coordinator->status(), WorkflowStatus::failed(QStringLiteral("quota exceeded")));
    ASSERT_TRUE(coordinator->lastAutoFailedRequest());
    EXPECT_EQ(coordinator->lastAutoFailedRequest()->sourceText, QStringLiteral("hello"));

    coordinator->manualInputDidChange(QStringLiteral("hello "));
    clock.advance(3s);
    EXPECT_EQ(providers.chat.size(), 1u);
    coordinator->manualInputDidChange(QStringLiteral("hello!"));
    clock.advance(3s);
    ASSERT_EQ(providers.chat.size(), 2u);
    coordinator->panelInputDidChange(QStringLiteral("hello"));
    clock.advance(3s);
    ASSERT_EQ(providers.chat.size(), 3u);
    EXPECT_EQ(providers.chat[2].request.sourceText, QStringLiteral("hello"));
}

TEST_F(TypingTest, CompletedTextAndRestoredHistoryTextAreNotResent) {
    coordinator->manualInputDidChange(QStringLiteral("hello"));
    clock.advance(800ms);
    turn();
    answer(QStringLiteral("你好"));
    ASSERT_EQ(kind(), Kind::completed);
    coordinator->manualInputDidChange(QStringLiteral(" hello\n"));
    clock.advance(3s);
    EXPECT_EQ(providers.chat.size(), 1u);

    coordinator->showHistoryEntry(
        historyEntry(QStringLiteral("ID-7"), QStringLiteral("old text"), QStringLiteral("旧")));
    coordinator->manualInputDidChange(QStringLiteral("  old text "));
    clock.advance(3s);
    EXPECT_EQ(coordinator->displayedHistoryEntryID(), QStringLiteral("ID-7"));
    EXPECT_EQ(providers.chat.size(), 1u);
    coordinator->manualInputDidChange(QStringLiteral("old text!"));
    EXPECT_EQ(coordinator->displayedHistoryEntryID(), std::nullopt);
}

// Stopped or dismissed part-way, an automatic translation settles cancelled (a truncated text must not stand
// as completed), records nothing, and the same text is sent again afterwards.
TEST_F(TypingTest, AutomaticTranslationCutShortSettlesCancelledAndIsSentAgain) {
    for (const bool dismiss : {false, true}) {
        SCOPED_TRACE(dismiss ? "dismissed" : "stopped");
        const size_t sent = providers.chat.size();
        coordinator->manualInputDidChange(QStringLiteral("hello"));
        clock.advance(3s);
        turn();
        ASSERT_EQ(providers.chat.size(), sent + 1);
        EXPECT_EQ(providers.chat.back().request.sourceText, QStringLiteral("hello"));
        chunk(QStringLiteral("半"));
        dismiss ? coordinator->dismissPanel() : coordinator->stopTranslation();
        turn();
        EXPECT_EQ(kind(), Kind::cancelled);
        EXPECT_EQ(coordinator->resultText(), QStringLiteral("半"));
    }
    EXPECT_TRUE(recorder.records.empty());
    coordinator->manualInputDidChange(QStringLiteral("hello"));
    clock.advance(3s);
    EXPECT_EQ(providers.chat.size(), 3u);
}

TEST_F(TypingTest, DismissDropsAPendingDebounceAndEndsATranslationWithoutTextNeutrally) {
    coordinator->panelInputDidChange(QStringLiteral("hello"));
    clock.advance(400ms);
    coordinator->dismissPanel();
    clock.advance(3s);
    EXPECT_TRUE(providers.chat.empty());

    coordinator->panelInputDidChange(QStringLiteral("hello"));
    clock.advance(800ms);
    turn();
    ASSERT_EQ(providers.chat.size(), 1u);
    coordinator->dismissPanel();
    turn();
    EXPECT_EQ(kind(), Kind::idle);
}

TEST_F(TypingTest, FailureOfASupersededAutomaticTranslationChangesNothing) {
    coordinator->manualInputDidChange(QStringLiteral("hello"));
    clock.advance(800ms);
    turn();
    auto oldStream = providers.lastChat();
    coordinator->manualInputDidChange(QStringLiteral("hello world"));
    oldStream.fail(std::make_exception_ptr(TestError(QStringLiteral("boom"))));
    turn();
    EXPECT_NE(kind(), Kind::failed);
    EXPECT_FALSE(coordinator->lastAutoFailedRequest());
}

TEST_F(TypingTest, ExplicitOperationSilencesAPendingAutomaticTranslation) {
    coordinator->manualInputDidChange(QStringLiteral("typed"));
    clock.advance(500ms);
    coordinator->translateText(QStringLiteral("explicit"), false);
    clock.advance(3s);
    ASSERT_EQ(providers.chat.size(), 1u);
    EXPECT_EQ(providers.chat[0].request.sourceText, QStringLiteral("explicit"));
}

TEST_F(TypingTest, AutomaticTranslationOffOnlyClearsHistoryLinks) {
    settings.autoTranslate = false;
    coordinator->showHistoryEntry(
        historyEntry(QStringLiteral("ID-2"), QStringLiteral("a"), QStringLiteral("b")));
    coordinator->manualInputDidChange(QString());
    clock.advance(3s);
    EXPECT_EQ(kind(), Kind::completed) << "an emptied text does not reset with automatic translation off";
    EXPECT_EQ(coordinator->displayedHistoryEntryID(), std::nullopt);
    coordinator->manualInputDidChange(QStringLiteral("long enough"));
    coordinator->panelInputDidChange(QStringLiteral("long enough"));
    clock.advance(3s);
    EXPECT_TRUE(providers.chat.empty());
    EXPECT_EQ(kind(), Kind::manualInput);
}

TEST_F(TypingTest, ShortAndEmptyTexts) {
    coordinator->manualInputDidChange(QStringLiteral("a"));
    coordinator->manualInputDidChange(QStringLiteral("🇯🇵")); // one flag is one character
    clock.advance(3s);
    EXPECT_TRUE(providers.chat.empty());
    coordinator->showRecognizedText(QStringLiteral("x"), std::nullopt);
    coordinator->manualInputDidChange(QStringLiteral("  "));
    EXPECT_EQ(kind(), Kind::idle);
    EXPECT_TRUE(coordinator->sourceText().isEmpty());

    coordinator->panelInputDidChange(QStringLiteral(" z "));
    EXPECT_EQ(coordinator->sourceText(), QStringLiteral("z"));
    EXPECT_EQ(kind(), Kind::manualInput);
    coordinator->panelInputDidChange(QStringLiteral("zz"));
    EXPECT_TRUE(coordinator->inputHistoryEntryID());
    coordinator->panelInputDidChange(QString());
    EXPECT_FALSE(coordinator->inputHistoryEntryID());
    clock.advance(3s);
    EXPECT_TRUE(providers.chat.empty());
}

TEST_F(TypingTest, TypedInputReusesOneHistoryRowAcrossRetranslations) {
    coordinator->panelInputDidChange(QStringLiteral("draft one"));
    clock.advance(800ms);
    turn();
    answer(QStringLiteral("一"));
    coordinator->panelInputDidChange(QStringLiteral("draft two"));
    clock.advance(3s);
    answer(QStringLiteral("二"));
    ASSERT_EQ(recorder.records.size(), 2u);
    EXPECT_EQ(recorder.records[0].historyEntryId, recorder.records[1].historyEntryId);
}

TEST(DispatchSpacing, WaitsTheRemainderOrTheFullSpacingWhenTheClockWentBack) {
    EXPECT_EQ(remainingDispatchWait(std::nullopt, 0), 0ns);
    EXPECT_EQ(remainingDispatchWait(0, 0), kAutomaticDispatchSpacing) << "a first dispatch at time 0 counts";
    EXPECT_EQ(remainingDispatchWait(800'000'000, 1'700'000'000), 600ms);
    EXPECT_EQ(remainingDispatchWait(800'000'000, 2'300'000'000), 0ns);
    EXPECT_EQ(remainingDispatchWait(5'000'000'000, 1'000'000'000), kAutomaticDispatchSpacing);
}

} // namespace
} // namespace tolvane::testing
