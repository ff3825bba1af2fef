#include "end_to_end_fixture.h"
#include "log_capture.h"
#include "real_desktop.h"

namespace tolvane::testing {
namespace {

class EndToEndX11 : public EndToEndTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(desktop.service.isConnected()) << "needs the test session's X server";
        ASSERT_TRUE(foreign.isConnected());
        makeCoordinator(desktop.clipboard);
    }
    std::optional<QByteArray> clipboardText() { return readClipboardAsAnotherClient(foreign, readerContext); }

    RealDesktop desktop;
    X11InputService foreign;
    QObject readerContext;
};

TEST_F(EndToEndX11, AutoCopyPutsTheStreamedResultOnTheDesktopClipboardAndLogsTheTiming) {
    settings.setAutoCopyResult(true);
    openai.enqueue(openai::stream({QStringLiteral("Bon"), QStringLiteral("jour")}));
    LogCapture log("com.tolvane.app.TranslationPerformance");

    coordinator->translateText(QStringLiteral("Hello"), false);
    ASSERT_TRUE(waitForKind(WorkflowStatus::Kind::completed));

    EXPECT_TRUE(QTest::qWaitFor([&] { return clipboardText() == QByteArray("Bonjour"); }, 5000));
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("Translation completed provider=openai-compatible "
                                                      "characters=5 ttft_ms=0 total_ms=0")});
    settleStore();
    EXPECT_EQ(query("SELECT result_text FROM history"), QStringLiteral("Bonjour"));
}

TEST_F(EndToEndX11, WithoutAutoCopyTheDesktopClipboardIsLeftAlone) {
    desktop.clipboard.writePlainText(QStringLiteral("user text"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipboardText() == QByteArray("user text"); }, 5000));
    openai.enqueue(openai::stream({QStringLiteral("Salut")}));

    coordinator->translateText(QStringLiteral("Hi"), false);
    ASSERT_TRUE(waitForKind(WorkflowStatus::Kind::completed));
    settleStore();

    EXPECT_EQ(clipboardText(), QByteArray("user text"));
}

} // namespace
} // namespace tolvane::testing
