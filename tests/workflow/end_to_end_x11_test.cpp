#include "clipboard_road_fixture.h"
#include "end_to_end_fixture.h"
#include "platform/x11/x11_input_service.h"
#include "platform/x11/x11_pasteboard_backend.h"
#include "platform/x11/x11_selection_transfer.h"
#include "platform/x11/x11_window_system.h"
#include "platform/x11/xtest_key_injector.h"

#include <QStringList>

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

// Reads CLIPBOARD as UTF-8 text over an X connection of its own, so this process must answer as the owner
// while the event loop runs.
std::optional<QByteArray> readClipboardAsAnotherClient(X11InputService& service, QObject& context) {
    auto out = std::make_shared<Outcome<std::optional<QByteArray>>>();
    QPointer<X11InputService> weak(&service);
    const xcb_atom_t clipboard = service.atom("CLIPBOARD");
    const xcb_atom_t utf8 = service.atom("UTF8_STRING");
    spawn(&context, lcClipboard(), [=](CancellationToken token) {
        return collect<std::optional<QByteArray>>(
            convertSelection(weak, &systemClock(), clipboard, utf8, 2000ms, 1 << 20, token), out);
    });
    (void)QTest::qWaitFor([&] { return out->done; }, 5000);
    return out->value ? *out->value : std::nullopt;
}

// The performance log lines written while an instance lives.
class PerformanceLog {
public:
    PerformanceLog() {
        s_lines = &m_lines;
        m_previous = qInstallMessageHandler(&PerformanceLog::handle);
    }
    ~PerformanceLog() {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    QStringList lines() const { return m_lines; }

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
        if (s_lines && QByteArrayView(context.category) == "com.tolvane.app.TranslationPerformance")
            s_lines->append(message);
    }
    static inline QStringList* s_lines = nullptr;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

class EndToEndX11 : public EndToEndTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(service.isConnected()) << "needs the test session's X server";
        ASSERT_TRUE(foreign.isConnected());
        makeCoordinator(desktopClipboard);
    }

    X11InputService service;
    X11PasteboardBackend pasteboard{service};
    XTestKeyInjector keys{service};
    X11WindowSystem windows{service};
    ClipboardManager desktopClipboard{pasteboard, keys, windows, systemClock()};
    X11InputService foreign;
    QObject readerContext;
};

TEST_F(EndToEndX11, AutoCopyPutsTheStreamedResultOnTheDesktopClipboardAndLogsTheTiming) {
    settings.setAutoCopyResult(true);
    openai.enqueue(openai::stream({QStringLiteral("Bon"), QStringLiteral("jour")}));
    PerformanceLog log;

    coordinator->translateText(QStringLiteral("Hello"), false);
    ASSERT_TRUE(waitForKind(WorkflowStatus::Kind::completed));

    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return readClipboardAsAnotherClient(foreign, readerContext) == QByteArray("Bonjour"); }, 5000));
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("Translation completed provider=openai-compatible "
                                                      "characters=5 ttft_ms=0 total_ms=0")});
    settleStore();
    EXPECT_EQ(query("SELECT result_text FROM history"), QStringLiteral("Bonjour"));
}

TEST_F(EndToEndX11, WithoutAutoCopyTheDesktopClipboardIsLeftAlone) {
    desktopClipboard.writePlainText(QStringLiteral("user text"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return readClipboardAsAnotherClient(foreign, readerContext) == QByteArray("user text"); },
        5000));
    openai.enqueue(openai::stream({QStringLiteral("Salut")}));

    coordinator->translateText(QStringLiteral("Hi"), false);
    ASSERT_TRUE(waitForKind(WorkflowStatus::Kind::completed));
    settleStore();

    EXPECT_EQ(readClipboardAsAnotherClient(foreign, readerContext), QByteArray("user text"));
}

} // namespace
} // namespace tolvane::testing
