#include "end_to_end_fixture.h"

namespace tolvane::testing {
namespace {

using Kind = WorkflowStatus::Kind;

FakeResponse stalledStream(const QString& firstPiece) {
    FakeResponse response =
        openai::rawStream({openai::roleEvent(), openai::deltaEvent(firstPiece)}, /*delayMs=*/0);
    response.stallAfterParts = true;
    return response;
}

TEST_F(EndToEndTest, SameLanguageEchoesTheInputAndRecordsHistoryOnly) {
    settings.setSourceLanguage(QStringLiteral("zh-Hant"));
    settings.setTargetLanguage(QStringLiteral("zh-Hans"));
    coordinator->translateText(QStringLiteral("  你好  "), false);
    ASSERT_TRUE(waitForKind(Kind::completed));
    settleStore();

    EXPECT_EQ(coordinator->resultText(), QStringLiteral("你好"));
    EXPECT_TRUE(openai.requests().isEmpty());
    EXPECT_EQ(count("history"), 1);
    EXPECT_EQ(count("memory"), 0);
    EXPECT_EQ(query("SELECT result_text FROM history"), QStringLiteral("你好"));
}

TEST_F(EndToEndTest, StreamedResultIsRecordedAndTheSameRequestThenComesFromMemory) {
    openai.enqueue(openai::stream({QStringLiteral("你"), QStringLiteral("好")}));

    coordinator->translateText(QStringLiteral("Hello"), false);
    ASSERT_TRUE(waitForKind(Kind::completed));
    settleStore();

    // The real chat client sent the stored key (trimmed) and the configured model to the configured path.
    ASSERT_EQ(openai.requests().size(), 1);
    const CapturedRequest& sent = openai.requests().front();
    EXPECT_EQ(sent.target, QByteArray("/v1/chat/completions"));
    EXPECT_EQ(sent.header("Authorization"), QByteArray("Bearer sk-e2e"));
    EXPECT_EQ(sent.jsonBody().value(QStringLiteral("model")).toString(), QStringLiteral("test-model"));

    EXPECT_EQ(coordinator->resultText(), QStringLiteral("你好"));
    EXPECT_EQ(query("SELECT provider FROM history"), QStringLiteral("openai-compatible"));
    EXPECT_EQ(query("SELECT result_text FROM memory"), QStringLiteral("你好"));
    EXPECT_EQ(query("SELECT hit_count FROM memory"), QStringLiteral("0"));

    // The same request again: answered from memory, no second HTTP request, the hit counted.
    coordinator->translateText(QStringLiteral("Hello"), false);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return kind() == Kind::completed && coordinator->providerName() == QStringLiteral("memory"); },
        10000));
    settleStore();

    EXPECT_EQ(openai.requests().size(), 1);
    EXPECT_EQ(coordinator->resultText(), QStringLiteral("你好"));
    EXPECT_EQ(coordinator->lastTimeToFirstTokenMilliseconds(),
              coordinator->lastTranslationLatencyMilliseconds());
    EXPECT_EQ(query("SELECT hit_count FROM memory"), QStringLiteral("1"));
    EXPECT_EQ(count("history"), 2);
    EXPECT_EQ(count("memory"), 1);
    EXPECT_EQ(query("SELECT provider FROM history ORDER BY created_at DESC, rowid DESC"),
              QStringLiteral("memory"));
}

TEST_F(EndToEndTest, StopWhileStreamingClosesTheConnectionAndRecordsNothing) {
    openai.enqueue(stalledStream(QStringLiteral("半")));
    coordinator->translateText(QStringLiteral("Half"), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator->resultText() == QStringLiteral("半"); }, 10000));

    coordinator->stopTranslation();
    EXPECT_TRUE(openai.waitForClientAborts(1));
    settleStore();

    EXPECT_EQ(kind(), Kind::cancelled);
    EXPECT_EQ(count("history"), 0);
    EXPECT_EQ(count("memory"), 0);
}

TEST_F(EndToEndTest, SupersededStreamIsDroppedAndOnlyItsSuccessorIsRecorded) {
    openai.enqueue(stalledStream(QStringLiteral("旧")));
    openai.enqueue(openai::stream({QStringLiteral("新")}));

    coordinator->translateText(QStringLiteral("Old"), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return coordinator->resultText() == QStringLiteral("旧"); }, 10000));
    coordinator->translateText(QStringLiteral("New"), true);
    ASSERT_TRUE(waitForKind(Kind::completed));
    EXPECT_TRUE(openai.waitForClientAborts(1));
    settleStore();

    EXPECT_EQ(coordinator->resultText(), QStringLiteral("新"));
    EXPECT_TRUE(coordinator->canPasteBackToSource());
    EXPECT_EQ(count("history"), 1);
    EXPECT_EQ(query("SELECT source_text FROM history"), QStringLiteral("New"));
    EXPECT_EQ(count("memory"), 1);
    EXPECT_EQ(query("SELECT result_text FROM memory"), QStringLiteral("新"));
}

TEST_F(EndToEndTest, HostedRouteRegistersTheDeviceAndRecordsUnderItsDisplayName) {
    settings.setTranslationEngine(TranslationEngine::cloudStandard);
    settings.setCloudTranslationQuality(CloudTranslationQuality::advanced);
    coordinator->translateText(QStringLiteral("Hello"), false);
    ASSERT_TRUE(waitForKind(Kind::completed));
    settleStore();

    EXPECT_EQ(hosted.registrationRequests().size(), 1);
    ASSERT_EQ(hosted.translateRequests().size(), 1);
    EXPECT_EQ(hosted.translateRequests().front().jsonBody().value(QStringLiteral("cloud_quality")).toString(),
              QStringLiteral("advanced"));
    EXPECT_TRUE(openai.requests().isEmpty());
    EXPECT_TRUE(keychain.readData(KeychainStore::hostedDeviceAccount).has_value());
    EXPECT_FALSE(coordinator->resultText().isEmpty());
    EXPECT_EQ(query("SELECT provider FROM history"), coordinator->providerName());
    EXPECT_EQ(query("SELECT result_text FROM memory"), coordinator->resultText());
    // The service's quota figures reach the application's settings.
    EXPECT_EQ(settings.cloudCharactersLimit(), 10000);
    EXPECT_EQ(settings.cloudCharactersUsed(), 42);
    EXPECT_EQ(coordinator->providerName(), QStringLiteral("fake fake-model"));
}

TEST_F(EndToEndTest, MissingApiKeyFailsWithoutTouchingTheNetworkOrTheDatabase) {
    keychain.deleteAPIKey();
    coordinator->translateText(QStringLiteral("Hello"), false);
    ASSERT_TRUE(waitForKind(Kind::failed));
    settleStore();

    EXPECT_TRUE(openai.requests().isEmpty());
    EXPECT_EQ(count("history"), 0);
}

} // namespace
} // namespace tolvane::testing
