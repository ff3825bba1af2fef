#include "coordinator_fixture.h"
#include "log_capture.h"
#include "workflow/workflow_error.h"

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

using Kind = WorkflowStatus::Kind;

using PipelineTest = CoordinatorTest;

TEST_F(PipelineTest, StreamedResultIsPublishedTimedLoggedCopiedAndRecorded) {
    settings.autoCopy = true;
    LogCapture log("com.tolvane.app.TranslationPerformance");
    translate(QStringLiteral("  hi 👍🏽 \n"));
    ASSERT_EQ(providers.chat.size(), 1u);
    EXPECT_EQ(providers.chat[0].apiKey, QStringLiteral("sk-test"));
    EXPECT_EQ(providers.chat[0].request.sourceText, QStringLiteral("hi 👍🏽"));
    EXPECT_EQ(coordinator->sourceText(), QStringLiteral("hi 👍🏽"));
    EXPECT_EQ(kind(), Kind::streaming);
    EXPECT_EQ(coordinator->providerName(), QStringLiteral("openai-compatible"));

    clock.advance(120ms);
    chunk(QString()); // an empty piece neither counts as the first token nor changes the text
    clock.advance(80ms);
    chunk(QStringLiteral("你"));
    clock.advance(300ms);
    chunk(QStringLiteral("好"));
    EXPECT_EQ(recorder.records.size(), 0u);
    finishChat();

    EXPECT_EQ(kind(), Kind::completed);
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("你好"));
    EXPECT_EQ(coordinator->lastTimeToFirstTokenMilliseconds(), 200);
    EXPECT_EQ(coordinator->lastTranslationLatencyMilliseconds(), 500);
    EXPECT_EQ(clipboard.writes, QStringList{QStringLiteral("你好")});
    ASSERT_EQ(recorder.records.size(), 1u);
    EXPECT_EQ(recorder.records[0].provider, QStringLiteral("openai-compatible"));
    EXPECT_TRUE(recorder.records[0].writeMemory);
    EXPECT_EQ(recorder.records[0].historyEntryId.size(), 36);
    EXPECT_EQ(recorder.records[0].historyEntryId, recorder.records[0].historyEntryId.toUpper());
    // Four user-perceived characters: h, i, blank and the toned emoji.
    EXPECT_EQ(log.lines(),
              QStringList{QStringLiteral("Translation completed provider=openai-compatible characters=4 "
                                         "ttft_ms=200 total_ms=500")});
    EXPECT_EQ(statuses, (QStringList{"capturing", "streaming", "completed"}));
}

TEST_F(PipelineTest, RepeatedRequestIsAnsweredFromMemoryWithEqualTimings) {
    LogCapture log("com.tolvane.app.TranslationPerformance");
    translate(QStringLiteral("hello"));
    answer(QStringLiteral("你好"));
    clock.advance(1s);
    translate(QStringLiteral("hello"));
    EXPECT_EQ(providers.chat.size(), 1u) << "the second run must not reach the provider";
    EXPECT_EQ(kind(), Kind::completed);
    EXPECT_EQ(coordinator->providerName(), QStringLiteral("memory"));
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("你好"));
    EXPECT_EQ(coordinator->lastTimeToFirstTokenMilliseconds(),
              coordinator->lastTranslationLatencyMilliseconds());
    ASSERT_EQ(recorder.records.size(), 2u);
    EXPECT_EQ(recorder.records[1].provider, QStringLiteral("memory"));
    EXPECT_FALSE(recorder.records[1].writeMemory);
    EXPECT_EQ(log.lines().last(),
              QStringLiteral("Translation completed provider=memory characters=5 ttft_ms=0 total_ms=0"));
}

TEST_F(PipelineTest, BlankInputEndsEmptyWithoutRecordOrLogLine) {
    LogCapture log("com.tolvane.app.TranslationPerformance");
    translate(QStringLiteral(" \n\t "));
    EXPECT_EQ(kind(), Kind::empty);
    EXPECT_TRUE(coordinator->sourceText().isEmpty());
    EXPECT_EQ(recorder.lookups, 0);
    EXPECT_TRUE(recorder.records.empty());
    EXPECT_TRUE(log.lines().isEmpty());
}

struct LanguagePair {
    const char* source;
    const char* target;
};

class SameLanguageTest : public CoordinatorTest, public ::testing::WithParamInterface<LanguagePair> {};

TEST_P(SameLanguageTest, InputIsEchoedWithOneHistoryRowAndNoMemoryRow) {
    settings.source = QString::fromLatin1(GetParam().source);
    settings.target = QString::fromLatin1(GetParam().target);
    translate(QStringLiteral(" Same text "));
    EXPECT_EQ(kind(), Kind::completed);
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("Same text"));
    EXPECT_EQ(coordinator->providerName(), QStringLiteral("same-language"));
    EXPECT_TRUE(providers.chat.empty());
    EXPECT_EQ(recorder.lookups, 0);
    ASSERT_EQ(recorder.records.size(), 1u);
    EXPECT_EQ(recorder.records[0].provider, QStringLiteral("same-language"));
    EXPECT_FALSE(recorder.records[0].writeMemory);
}

INSTANTIATE_TEST_SUITE_P(Pairs, SameLanguageTest,
                         ::testing::Values(LanguagePair{"EN_us", "en-GB"}, LanguagePair{"fr-CA", "fr"},
                                           LanguagePair{"pt-PT", "pt-BR"},
                                           LanguagePair{"zh-Hant", "zh-Hans"}));

TEST_F(PipelineTest, AutoSourceNeverTakesTheSameLanguageShortCut) {
    settings.source = QStringLiteral("auto");
    settings.target = QStringLiteral("en-US");
    translate(QStringLiteral("12345"));
    ASSERT_EQ(providers.chat.size(), 1u);
    EXPECT_EQ(providers.chat[0].request.sourceLanguage, QStringLiteral("auto"));
    EXPECT_EQ(kind(), Kind::streaming);
}

TEST_F(PipelineTest, SupersededMemoryAnswerIsDroppedAndRecordsNothing) {
    recorder.memory.insert(FakeRecorder::keyOf(coordinator->makeTranslationRequest(QStringLiteral("A"))),
                           QStringLiteral("memory of A"));
    // A's lookup is held open and, like a worker job, does not end on cancellation by itself.
    Signal releaseA;
    recorder.holdLookup = releaseA;
    translate(QStringLiteral("A"));
    translate(QStringLiteral("B"));
    answer(QStringLiteral("text of B"));
    releaseA.resolve({});
    turn();
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("text of B"));
    EXPECT_EQ(kind(), Kind::completed);
    ASSERT_EQ(recorder.records.size(), 1u);
    EXPECT_EQ(recorder.records[0].resultText, QStringLiteral("text of B"));
    EXPECT_EQ(recorder.memory.value(FakeRecorder::keyOf(providers.chat[0].request)),
              QStringLiteral("text of B"));
    EXPECT_FALSE(statuses.join(',').contains("failed"));
}

TEST_F(PipelineTest, StopDuringMemoryLookupEndsCancelled) {
    Signal release;
    recorder.holdLookup = release;
    translate(QStringLiteral("hello"));
    coordinator->stopTranslation();
    release.resolve({});
    turn();
    EXPECT_EQ(kind(), Kind::cancelled);
    EXPECT_TRUE(providers.chat.empty());
    EXPECT_TRUE(recorder.records.empty());
}

TEST_F(PipelineTest, StopMidStreamClosesTheStreamAndLaterPiecesOrErrorsChangeNothing) {
    translate(QStringLiteral("hello"), true);
    chunk(QStringLiteral("partial"));
    coordinator->stopTranslation();
    EXPECT_EQ(kind(), Kind::cancelled);
    turn();
    EXPECT_EQ(providers.liveStreams(), 0) << "the provider must see its consumer go away";
    providers.lastChat().send(AIChunk{QStringLiteral(" late")});
    providers.lastChat().fail(std::make_exception_ptr(TestError(QStringLiteral("late failure"))));
    turn();
    EXPECT_EQ(kind(), Kind::cancelled);
    EXPECT_FALSE(coordinator->canPasteBackToSource());
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("partial"));
    EXPECT_TRUE(recorder.records.empty());
}

TEST_F(PipelineTest, MissingOrBlankKeyFailsBeforeStreaming) {
    for (const std::optional<QString>& key : {std::optional<QString>(), std::optional<QString>(" \n")}) {
        keychain.key = key;
        statuses.clear();
        translate(QStringLiteral("hello"));
        EXPECT_EQ(coordinator->status(),
                  WorkflowStatus::failed(WorkflowError::missingAPIKey().description()));
        EXPECT_FALSE(statuses.contains("streaming"));
    }
    EXPECT_TRUE(providers.chat.empty());
    keychain.key = QStringLiteral("  sk-padded \n");
    translate(QStringLiteral("hello"));
    ASSERT_EQ(providers.chat.size(), 1u);
    EXPECT_EQ(providers.chat[0].apiKey, QStringLiteral("sk-padded"));
    EXPECT_EQ(providers.chat[0].baseURL, settings.baseURL);
}

TEST_F(PipelineTest, AReplacedHistoryDatabaseIsToldOnceBesideTheResult) {
    recorder.setAsideDatabase = QStringLiteral("/data/Tolvane/History.sqlite3.corrupt-20261207T003843Z");
    translate(QStringLiteral("hello"));
    answer(QStringLiteral("你好"));
    EXPECT_EQ(coordinator->status().kind(), Kind::completed);
    EXPECT_TRUE(coordinator->status().message().contains("History.sqlite3.corrupt-20261207T003843Z"));
    EXPECT_FALSE(coordinator->status().message().contains("/data")) << "the file name, not the folder";
    translate(QStringLiteral("hello again"));
    answer(QStringLiteral("你好"));
    EXPECT_EQ(coordinator->status(), WorkflowStatus::completed());
}

TEST_F(PipelineTest, ProviderErrorAfterPiecesKeepsTheTextAndFails) {
    settings.autoCopy = true;
    translate(QStringLiteral("hello"));
    chunk(QStringLiteral("par"));
    providers.lastChat().fail(std::make_exception_ptr(TestError(QStringLiteral("rate limited"))));
    turn();
    // The words say that what stays shown is only a part.
    EXPECT_EQ(coordinator->status(),
              WorkflowStatus::failed(
                  WorkflowError::incompleteResult(QStringLiteral("rate limited")).description()));
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("par"));
    EXPECT_TRUE(recorder.records.empty());
    EXPECT_TRUE(clipboard.writes.isEmpty());
    // Before any text the failure is told as it is.
    translate(QStringLiteral("hello"));
    providers.lastChat().fail(std::make_exception_ptr(TestError(QStringLiteral("rate limited"))));
    turn();
    EXPECT_EQ(coordinator->status(), WorkflowStatus::failed(QStringLiteral("rate limited")));

    translate(QStringLiteral("again"));
    answer(QStringLiteral(" \n "));
    EXPECT_EQ(coordinator->status(), WorkflowStatus::failed(WorkflowError::emptyResult().description()));
    EXPECT_TRUE(recorder.records.empty());
}

// Pieces that arrive together are announced together: a view compares the whole text once per turn, not
// once per piece.
TEST_F(PipelineTest, PiecesOfOneTurnAreAnnouncedOnce) {
    translate(QStringLiteral("hello"));
    int announcements = 0;
    QObject::connect(coordinator.get(), &WorkflowCoordinator::resultTextChanged, coordinator.get(),
                     [&] { ++announcements; });
    for (const char* piece : {"你", "好", "，", "世界"})
        providers.lastChat().send(AIChunk{QString::fromUtf8(piece)});
    turn();
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("你好，世界"));
    EXPECT_EQ(announcements, 1);
    chunk(QStringLiteral("！"));
    EXPECT_EQ(announcements, 2);
}

// A server that never stops: the answer is cut at the limit, the stream is dropped, and nothing is copied or
// recorded.
TEST_F(PipelineTest, AnAnswerPastTheLengthLimitEndsWithWordsAndKeepsWhatFits) {
    settings.autoCopy = true;
    translate(QStringLiteral("hello"));
    // One unit, then 1000 a piece: the limit falls between the two halves of the emoji that ends a piece.
    const QString piece = QString(998, QLatin1Char('x')) + QStringLiteral("😀");
    chunk(QStringLiteral("a"));
    for (int sent = 0; kind() == Kind::streaming && sent < 1000; ++sent)
        chunk(piece);
    EXPECT_EQ(coordinator->status(), WorkflowStatus::failed(WorkflowError::resultTooLong().description()));
    EXPECT_EQ(coordinator->resultText().size(), kMaximumResultLength - 1) << "no half character at the cut";
    EXPECT_EQ(providers.liveStreams(), 0) << "the stream is no longer read";
    EXPECT_TRUE(recorder.records.empty());
    EXPECT_TRUE(clipboard.writes.isEmpty());
}

TEST_F(PipelineTest, HistoryWriteFailureAfterCompletionLeavesTheResultStanding) {
    LogCapture log("com.tolvane.app.Workflow");
    recorder.failWrites = true;
    translate(QStringLiteral("hello"), true);
    answer(QStringLiteral("你好"));
    EXPECT_EQ(kind(), Kind::completed);
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("你好"));
    EXPECT_TRUE(coordinator->canPasteBackToSource());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].contains(QStringLiteral("disk I/O error")));
    EXPECT_FALSE(log.lines()[0].contains(QStringLiteral("你好"))) << "texts are never logged";
    const QString told =
        QStringLiteral("「hello」的翻译暂时无法写入历史记录（历史记录文件无法写入），可以写入后会自动保存。");
    EXPECT_EQ(coordinator->status(), WorkflowStatus::completed(told));

    // Told once; a lookup that fails skips the memory and the provider answers.
    recorder.failLookups = true;
    translate(QStringLiteral("again"));
    answer(QStringLiteral("再次"));
    EXPECT_EQ(coordinator->status(), WorkflowStatus::completed());
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("再次"));

    // Both waited and are written, in order, once the store takes writes again.
    recorder.failWrites = false;
    clock.advance(HistoryWriteQueue::kRetryInterval);
    turn();
    ASSERT_EQ(recorder.records.size(), 2u);
    EXPECT_EQ(recorder.records[0].request.sourceText, QStringLiteral("hello"));
    EXPECT_EQ(recorder.records[1].request.sourceText, QStringLiteral("again"));
}

class HostedPipelineTest : public CoordinatorTest {
protected:
    HostedPipelineTest() { settings.engine = TranslationEngine::cloudStandard; }
    void event(CloudTranslationStreamEvent e) {
        providers.hosted.back().writer.send(std::move(e));
        turn();
    }
    static CloudTranslationResult result(QString text) {
        CloudTranslationResult r;
        r.translatedText = std::move(text);
        return r;
    }
};

TEST_F(HostedPipelineTest, CompletedTextWinsAndUsageIsCountedLocallyWithoutQuotaUsed) {
    settings.quality = CloudTranslationQuality::advanced;
    translate(QStringLiteral("héllo"));
    ASSERT_EQ(providers.hosted.size(), 1u);
    EXPECT_EQ(providers.hosted[0].quality, CloudTranslationQuality::advanced);
    EXPECT_EQ(coordinator->providerName(), QStringLiteral("hosted-cloud"));
    clock.advance(40ms);
    event(CloudTranslationStreamEvent::delta(QStringLiteral("Hel")));
    clock.advance(60ms);
    event(CloudTranslationStreamEvent::delta(QString()));
    auto done = result(QStringLiteral("Hello!"));
    done.quotaLimit = 1000;
    event(CloudTranslationStreamEvent::completed(done));
    EXPECT_EQ(kind(), Kind::streaming) << "the stream is read to its end";
    providers.hosted.back().writer.finish();
    turn();
    EXPECT_EQ(kind(), Kind::completed);
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("Hello!"));
    EXPECT_EQ(coordinator->lastTimeToFirstTokenMilliseconds(), 40);
    EXPECT_EQ(coordinator->providerName(), QStringLiteral("托管云端"));
    EXPECT_EQ(settings.charactersAdded, 5);
    ASSERT_EQ(settings.usageUpdates.size(), 1u);
    EXPECT_EQ(settings.usageUpdates[0].first, 1000);
    EXPECT_EQ(settings.usageUpdates[0].second, std::nullopt);
    ASSERT_EQ(recorder.records.size(), 1u);
    EXPECT_EQ(recorder.records[0].resultText, QStringLiteral("Hello!"));
    EXPECT_EQ(recorder.records[0].provider, QStringLiteral("托管云端"));
    EXPECT_TRUE(recorder.records[0].writeMemory);
}

TEST_F(HostedPipelineTest, EmptyFirstDeltaFixesFirstTokenAndReportedUsageIsNotAddedTo) {
    translate(QStringLiteral("hello"));
    clock.advance(70ms);
    event(CloudTranslationStreamEvent::delta(QString()));
    clock.advance(30ms);
    event(CloudTranslationStreamEvent::delta(QStringLiteral("Hi")));
    auto done = result(QStringLiteral("Hi"));
    done.quotaUsed = 42;
    done.quotaLimit = 100;
    done.model = QStringLiteral("m-1");
    event(CloudTranslationStreamEvent::completed(done));
    providers.hosted.back().writer.finish();
    turn();
    EXPECT_EQ(coordinator->lastTimeToFirstTokenMilliseconds(), 70);
    EXPECT_EQ(coordinator->lastTranslationLatencyMilliseconds(), 100);
    EXPECT_EQ(settings.charactersAdded, 0);
    ASSERT_EQ(settings.usageUpdates.size(), 1u);
    EXPECT_EQ(settings.usageUpdates[0].second, 42);
    EXPECT_EQ(coordinator->providerName(), QStringLiteral("Cloud m-1"));
}

TEST_F(HostedPipelineTest, AnAnswerPastTheLengthLimitEndsWithWordsAndKeepsWhatFits) {
    translate(QStringLiteral("hello"));
    const QString piece(4096, QLatin1Char('x'));
    for (int sent = 0; kind() == Kind::streaming && sent < 1000; ++sent)
        event(CloudTranslationStreamEvent::delta(piece));
    EXPECT_EQ(coordinator->status(), WorkflowStatus::failed(WorkflowError::resultTooLong().description()));
    EXPECT_EQ(coordinator->resultText().size(), kMaximumResultLength);
    EXPECT_EQ(providers.liveStreams(), 0);
    EXPECT_TRUE(recorder.records.empty());
}

TEST_F(HostedPipelineTest, StreamWithoutCompletionIsEmptyResultAndTouchesNothing) {
    translate(QStringLiteral("hello"));
    event(CloudTranslationStreamEvent::delta(QStringLiteral("Hel")));
    providers.hosted.back().writer.finish();
    turn();
    EXPECT_EQ(coordinator->status(), WorkflowStatus::failed(WorkflowError::emptyResult().description()));
    EXPECT_TRUE(recorder.records.empty());
    EXPECT_EQ(settings.charactersAdded, 0);
    EXPECT_TRUE(settings.usageUpdates.empty());
}

TEST(CloudDisplayName, NamesProviderModelQualityOrTheHostedRoute) {
    CloudTranslationResult r;
    EXPECT_EQ(WorkflowCoordinator::cloudProviderDisplayName(r), QStringLiteral("托管云端"));
    r.quality = CloudTranslationQuality::standard;
    EXPECT_EQ(WorkflowCoordinator::cloudProviderDisplayName(r), QStringLiteral("Cloud 标准（省成本）"));
    r.model = QStringLiteral("gpt-x");
    EXPECT_EQ(WorkflowCoordinator::cloudProviderDisplayName(r), QStringLiteral("Cloud gpt-x"));
    r.provider = QStringLiteral("acme");
    EXPECT_EQ(WorkflowCoordinator::cloudProviderDisplayName(r), QStringLiteral("acme gpt-x"));
}

} // namespace
} // namespace tolvane::testing
