// The main road inside this process, on the test session's desktop: the real delegate with the X11
// desktop, the Secret Service and a fake OpenAI-compatible service. Text is selected in another
// application, the translate chord is pressed through XTest (xdotool), and the panel is checked where the
// user meets it: next to the selection, showing the streamed translation, copying it to the desktop
// clipboard and writing it back into the other application. A second press on the same text is answered
// from the translation memory; the time from the key to the visible panel is logged for it.
#include "app/app_delegate.h"
#include "model/app_settings.h"
#include "model/keychain_store.h"
#include "panel/floating_panel_controller.h"
#include "panel/result_panel_footer.h"
#include "panel/result_panel_reading_body.h"
#include "panel/result_panel_text_view.h"
#include "panel/result_panel_view.h"
#include "panel/result_panel_window.h"
#include "scoped_environment.h"
#include "support/fake_http_server.h"
#include "support/fake_openai_server.h"
#include "support/x11_tools.h"
#include "workflow/helper_process.h"
#include "workflow/workflow_coordinator.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <iostream>

namespace tolvane::testing {
namespace {

const QString sourceText = QStringLiteral("Hello panel road");
const QString translation = QStringLiteral("你好，面板之路");

// The desktop clipboard's text as another client reads it.
QString desktopClipboard() {
    QProcess tool;
    tool.start(QStringLiteral("xclip"),
               {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    // Our own process owns the clipboard and answers the request: keep its event loop turning.
    if (!QTest::qWaitFor([&] { return tool.state() == QProcess::NotRunning; }, 10000))
        return QString();
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QString editorText(HelperProcess& editor) {
    editor.send("print");
    const std::optional<QString> line = editor.waitForLine(QStringLiteral("TEXT "));
    return line ? QString::fromUtf8(QByteArray::fromHex(line->mid(5).toLatin1())) : QString();
}

class PanelMainRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        // Settings and history go under the test's own home, so no earlier run's memory answers.
        userHome.set("HOME", home.path().toUtf8());
        LaunchEnvironment environment;
        environment.arguments = {QStringLiteral("tolvane")};
        environment.environment = QProcessEnvironment::systemEnvironment();
        environment.environment.remove(LaunchEnvironment::testHostVariable);
        delegate = std::make_unique<AppDelegate>(environment, AppFactories{},
                                                 DesktopServices::x11(SessionKind::x11));
        AppSettings& settings = delegate->settings();
        settings.defaults().setValue(AppDelegate::hasSeenGuideKey, true);
        settings.setTranslationEngine(TranslationEngine::openAICompatible);
        settings.setBaseURLString(openai.url(QStringLiteral("/v1")).toString());
        settings.setModel(QStringLiteral("test-model"));
        settings.setSourceLanguage(QStringLiteral("en"));
        settings.setTargetLanguage(QStringLiteral("zh-Hans"));
        delegate->storage().keychainStore().saveAPIKey(QStringLiteral("sk-panel-road"));
        delegate->start();
    }
    void TearDown() override { delegate.reset(); }

    FloatingPanelController* panel() const { return delegate->panelController(); }
    // Shown and exposed: the X server has mapped it and asked for its first paint.
    bool panelShown() const {
        const TranslatorPanel* window = panel() ? panel()->panelWindow() : nullptr;
        return window && window->isVisible() && window->windowHandle() && window->windowHandle()->isExposed();
    }

    // Brings the editor to the front with its text selected, puts the pointer far from it, and presses
    // the translate chord without waiting for xdotool, so this process's loop keeps running.
    void pressTranslateOver(HelperProcess& editor) {
        ASSERT_TRUE(xdotool(
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(editor.window())}));
        ASSERT_TRUE(
            xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+a")}));
        ASSERT_TRUE(xdotool({QStringLiteral("mousemove"), QStringLiteral("1700"), QStringLiteral("1000")}));
        key = std::make_unique<QProcess>();
        pressed.start();
        key->start(QStringLiteral("xdotool"),
                   {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("ctrl+alt+t")});
    }

    QTemporaryDir home;
    ScopedEnvironment userHome;
    FakeHttpServer openai;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<QProcess> key;
    QElapsedTimer pressed;
};

TEST_F(PanelMainRoad, SelectionTranslatesIntoThePanelAndBackIntoTheApplication) {
    openai.enqueue(
        openai::stream({QStringLiteral("你好，"), QStringLiteral("面板"), QStringLiteral("之路")}, 20));
    ASSERT_NE(panel(), nullptr);
    HelperProcess editor(QStringLiteral(CLIPBOARD_TEST_APP), {QStringLiteral("edit"), sourceText}, true);
    ASSERT_TRUE(editor.isReady());
    const QRect frame = windowFrame(QString::number(editor.window()));
    ASSERT_TRUE(frame.isValid());

    pressTranslateOver(editor);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panelShown(); }, 10000)) << "the panel never showed";
    WorkflowCoordinator& workflow = delegate->workflow();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return workflow.status().kind() == WorkflowStatus::Kind::completed; }, 10000))
        << workflow.status().debugName().toStdString();

    // The request carried the selected text and the stored key; the panel shows what was streamed.
    ASSERT_EQ(openai.requests().size(), 1);
    EXPECT_EQ(openai.requests().first().header("authorization"), QByteArray("Bearer sk-panel-road"));
    EXPECT_TRUE(openai.requests().first().body.contains(sourceText.toUtf8()));
    ResultPanelView* view = panel()->view();
    EXPECT_EQ(view->readingBody()->resultView()->toPlainText(), translation);

    // Next to the selection: horizontally over the editor, below or above it without covering its field,
    // and nowhere near the pointer parked at the far corner.
    const QRect shown = panel()->panelWindow()->frameGeometry();
    EXPECT_LT(std::abs(shown.center().x() - frame.center().x()), shown.width() / 2) << frame.x();
    EXPECT_TRUE(shown.top() >= frame.top() + 20 || shown.bottom() <= frame.top())
        << shown.y() << " " << frame.y();
    EXPECT_FALSE(shown.contains(QPoint(1700, 1000)));
    // Shown without taking focus from the editor.
    EXPECT_FALSE(panel()->panelWindow()->isActiveWindow());

    // Copy: the desktop clipboard holds the translation, for other clients too.
    ResultPanelFooter* footer = view->footer();
    ASSERT_TRUE(footer->copyButton()->isVisible() && footer->copyButton()->isEnabled());
    footer->copyButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([] { return desktopClipboard() == translation; }, 10000))
        << desktopClipboard().toStdString();

    // Replace: the translation is written into the editor in place of the selection.
    ASSERT_TRUE(footer->replaceButton()->isVisible() && footer->replaceButton()->isEnabled());
    footer->replaceButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return editorText(editor) == translation; }, 10000))
        << editorText(editor).toStdString();

    // The same text again, from a fresh editor: answered from the memory, no second request.
    workflow.dismissPanel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel()->panelWindow()->isVisible(); }, 5000));
    HelperProcess again(QStringLiteral(CLIPBOARD_TEST_APP), {QStringLiteral("edit"), sourceText}, true);
    ASSERT_TRUE(again.isReady());
    pressTranslateOver(again);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panelShown(); }, 10000));
    const qint64 toVisible = pressed.elapsed();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return workflow.status().kind() == WorkflowStatus::Kind::completed; }, 10000));
    EXPECT_EQ(openai.requests().size(), 1);
    EXPECT_EQ(view->readingBody()->resultView()->toPlainText(), translation);
    std::cout << "hot key to panel visible (memory hit, xdotool start included): " << toVisible << " ms\n";
}

} // namespace
} // namespace tolvane::testing
