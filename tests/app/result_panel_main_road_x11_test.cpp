// The main road inside this process, on the test session's desktop: the real delegate with the X11
// desktop, the Secret Service and a fake OpenAI-compatible service. Text is selected in another
// application, the translate chord is pressed through XTest (xdotool), and the panel is checked where the
// user meets it: next to the selection, showing the streamed translation, copying it to the desktop
// clipboard and writing it back into the other application. A second press on the same text is answered
// from the translation memory; the time from the key to the visible panel is logged for it. The same
// assembly serves the selection capsule beside a shown panel, paste-back on a desktop that cannot send
// keystrokes, shortcut changes while the shortcuts are paused for recording, and the panel's pickers chosen
// by keys, which never write over the selection.
#include "app/app_delegate.h"
#include "app/shortcut_wiring.h"
#include "desktop_delegate.h"
#include "fake_server_process.h"
#include "model/app_settings.h"
#include "model/keychain_store.h"
#include "panel/floating_panel_controller.h"
#include "panel/result_panel_footer.h"
#include "panel/result_panel_header.h"
#include "panel/result_panel_manual_body.h"
#include "panel/result_panel_reading_body.h"
#include "panel/result_panel_text_view.h"
#include "panel/result_panel_view.h"
#include "panel/result_panel_window.h"
#include "platform/memory/memory_key_injector.h"
#include "platform/x11/x11_global_input.h"
#include "scoped_environment.h"
#include "support/fake_http_server.h"
#include "support/fake_openai_server.h"
#include "support/fake_translation_replies.h"
#include "support/in_sight.h"
#include "support/x11_tools.h"
#include "ui/native_text_editor.h"
#include "ui/source_text_limit.h"
#include "workflow/auto_selection_button_controller.h"
#include "workflow/helper_process.h"
#include "workflow/log_capture.h"
#include "workflow/paste_back_controller.h"
#include "workflow/workflow_coordinator.h"
#include "workflow/xtest_pointer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWindow>
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <iostream>

namespace tolvane::testing {
namespace {

const QString sourceText = QStringLiteral("Hello panel road");
const QString translation = QStringLiteral("你好，面板之路");

QString editorText(HelperProcess& editor) {
    editor.send("print");
    const std::optional<QString> line = editor.waitForLine(QStringLiteral("TEXT "));
    return line ? QString::fromUtf8(QByteArray::fromHex(line->mid(5).toLatin1())) : QString();
}

// The test session's desktop with no way to send keystrokes, as on an X server without XTEST.
class DesktopWithoutKeystrokes final : public DesktopServices {
public:
    DesktopWithoutKeystrokes() { m_keys.setAvailable(false); }
    GlobalInputService* globalInput() override { return m_desktop->globalInput(); }
    PasteboardBackend& pasteboard() override { return m_desktop->pasteboard(); }
    KeyInjector& keys() override { return m_keys; }
    std::shared_ptr<WindowSystem> windows() override { return m_desktop->windows(); }
    AccessibilityBackend& accessibility() override { return m_desktop->accessibility(); }
    const PermissionService& permissions() const override { return m_desktop->permissions(); }
    quint64 foreignPrimaryChanges() const override { return m_desktop->foreignPrimaryChanges(); }
    QPoint cursorPosition() const override { return m_desktop->cursorPosition(); }

private:
    std::unique_ptr<DesktopServices> m_desktop = DesktopServices::x11(SessionKind::x11);
    MemoryKeyInjector m_keys;
};

class PanelMainRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        // Settings and history go under the test's own home, so no earlier run's memory answers.
        userHome.set("HOME", home.path().toUtf8());
        launch(DesktopServices::x11(SessionKind::x11));
    }
    void TearDown() override { delegate.reset(); }

    // A started delegate (replacing any earlier one) on `desktop`, set up for the fake service.
    void launch(std::unique_ptr<DesktopServices> desktop) {
        delegate.reset();
        delegate = makeDesktopDelegate(std::move(desktop));
        useFakeChatService(*delegate, openai, QStringLiteral("sk-panel-road"));
        ASSERT_TRUE(startUntilFinished(*delegate));
    }

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
    // The editor's text translated by the hot key, answered by the fake service; the panel shows it.
    void translateWithHotKey(HelperProcess& editor) {
        pressTranslateOver(editor);
        ASSERT_TRUE(QTest::qWaitFor([&] { return panelShown(); }, 10000)) << "the panel never showed";
        WorkflowCoordinator& workflow = delegate->workflow();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return workflow.status().kind() == WorkflowStatus::Kind::completed; }, 10000))
            << workflow.status().debugName().toStdString();
    }
    static void clickAt(QPoint point) {
        ASSERT_TRUE(
            xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())}));
        ASSERT_TRUE(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
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

    translateWithHotKey(editor);
    WorkflowCoordinator& workflow = delegate->workflow();

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
    // Shown without taking focus from the editor: the tool tips say that the panel's keys act once it is
    // clicked, and that 替换原文 acts at once.
    EXPECT_FALSE(panel()->panelWindow()->isActiveWindow());
    const std::pair<QAbstractButton*, const char*> keyed[] = {
        {view->footer()->stopButton(), "Esc"},
        {view->footer()->copyButton(), "Ctrl+Shift+C"},
        {view->footer()->replaceButton(), "Enter"},
        {view->header()->closeButton(), "Esc"},
    };
    for (const auto& [button, key] : keyed) {
        EXPECT_TRUE(button->toolTip().contains(QStringLiteral("点按面板后")))
            << button->toolTip().toStdString();
        EXPECT_TRUE(button->toolTip().contains(QLatin1String(key))) << button->toolTip().toStdString();
    }
    EXPECT_TRUE(view->footer()->replaceButton()->toolTip().startsWith(QStringLiteral("立即")));

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

// A choice made in a picker's open list with Return is stored and translated again, and that Return does
// nothing else: the panel's own Return (replace the original) never sees it.
TEST_F(PanelMainRoad, ReturnInAPickersOpenListOnlyChoosesAndNeverReplacesTheSelection) {
    FakeServerProcess server({});
    ASSERT_TRUE(server.isStarted());
    AppSettings& settings = delegate->settings();
    settings.setBaseURLString(server.openaiURL());
    settings.setSourceLanguage(QStringLiteral("en-US")); // a row of the list, with one below it
    HelperProcess editor(QStringLiteral(CLIPBOARD_TEST_APP), {QStringLiteral("edit"), sourceText}, true);
    ASSERT_TRUE(editor.isReady());
    translateWithHotKey(editor);

    // The panel's keys act once it is clicked (below the short texts, on the reading body itself).
    TranslatorPanel* window = panel()->panelWindow();
    ResultPanelView* view = panel()->view();
    const QRect body = view->readingBody()->rect();
    clickAt(view->readingBody()->mapToGlobal(QPoint(body.center().x(), body.bottom() - 12)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isActiveWindow(); }, 10000));
    auto press = [](const QString& keys) {
        QProcess tool;
        tool.start(QStringLiteral("xdotool"),
                   {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
        return QTest::qWaitFor([&] { return tool.state() == QProcess::NotRunning; }, 30000) &&
               tool.exitCode() == 0;
    };
    // Tab then follows the reading order from the top row (the own endpoint offers no cloud quality).
    QStringList stops;
    for (int i = 0; i < 7; ++i) { // round to the first again
        QWidget* before = QApplication::focusWidget();
        ASSERT_TRUE(press(QStringLiteral("Tab")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() != before; }, 10000));
        QWidget* stop = QApplication::focusWidget();
        auto* button = qobject_cast<QAbstractButton*>(stop);
        stops << (button && stop->accessibleName().isEmpty() ? button->text() : stop->accessibleName());
    }
    EXPECT_EQ(stops.join(u' ').toStdString(), "源语言 目标语言 翻译内容 翻译引擎 复制 替换原文 源语言");
    const struct {
        QComboBox* picker;
        QString opens;
        std::function<QString()> stored;
    } pickers[] = {
        {view->header()->targetPicker(), QStringLiteral("space"), [&] { return settings.targetLanguage(); }},
        {view->header()->sourcePicker(), QStringLiteral("Return"), [&] { return settings.sourceLanguage(); }},
    };
    WorkflowCoordinator& workflow = delegate->workflow();
    // The button is pressed at once by its key and clicks a moment later, when the new answer may be
    // arriving: a press is the leak, whatever the click then finds.
    QSignalSpy replacePressed(view->footer()->replaceButton(), &QPushButton::pressed);
    for (const auto& entry : pickers) {
        QComboBox* picker = entry.picker;
        const std::function<QString()>& stored = entry.stored;
        SCOPED_TRACE(picker->accessibleName().toStdString());
        picker->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([&] { return picker->hasFocus(); }, 10000));
        const QString before = stored();
        ASSERT_TRUE(press(entry.opens));
        ASSERT_TRUE(QTest::qWaitFor([&] { return picker->view()->isVisible(); }, 10000));
        ASSERT_TRUE(press(QStringLiteral("Down")));
        ASSERT_TRUE(press(QStringLiteral("Return")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return stored() != before; }, 10000));
        EXPECT_EQ(stored(), picker->currentData().toString());
        // The choice is translated; the panel stays, and so does the selected text.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const std::optional<AIRequest>& request = workflow.lastRequest();
                return request &&
                       (request->sourceLanguage == stored() || request->targetLanguage == stored()) &&
                       workflow.status().kind() == WorkflowStatus::Kind::completed;
            },
            30000))
            << workflow.status().debugName().toStdString();
        EXPECT_FALSE(picker->view()->isVisible());
        EXPECT_TRUE(replacePressed.isEmpty()) << "the Return reached 替换原文";
        EXPECT_TRUE(window->isVisible()) << "a replace closed the panel";
        EXPECT_EQ(editorText(editor), sourceText);
    }
}

TEST_F(PanelMainRoad, CapsuleStyleChoiceTranslatesTheNewSelectionAndPastesIntoItsApplicationOnly) {
    delegate->settings().setAutoSelectionButtonEnabled(true);
    AutoSelectionButtonController* capsule = delegate->capsule();
    HelperProcess first(QStringLiteral(CLIPBOARD_TEST_APP), {QStringLiteral("edit"), sourceText}, true);
    ASSERT_TRUE(capsule && first.isReady());
    translateWithHotKey(first);

    // With the panel still showing the first text, a mouse drag selects another text in another editor.
    const QString otherText = QStringLiteral("Second capsule words");
    HelperProcess second(QStringLiteral(CLIPBOARD_TEST_APP), {QStringLiteral("edit"), otherText}, true);
    ASSERT_TRUE(second.isReady());
    ASSERT_TRUE(xdotool(
        {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(second.window())}));
    X11InputService pointerConnection;
    const std::optional<QRect> field = fieldInRoot(second, pointerConnection);
    ASSERT_TRUE(field);
    XTestPointer(pointerConnection).dragSelect(*field);
    ASSERT_TRUE(QTest::qWaitFor([&] { return capsule->isCapsuleVisible(); }, 5000) && panelShown());

    // "技术文档" from the capsule's menu, clicked as a user clicks: the menu takes the keyboard, which Qt
    // reports as this application becoming active.
    clickAt(capsule->panel()->geometry().topLeft() + QPoint(64, 19));
    QMenu* menu = capsule->styleMenu();
    ASSERT_TRUE(menu && QTest::qWaitFor([&] { return menu->isVisible(); }, 3000));
    clickAt(menu->mapToGlobal(menu->actionGeometry(menu->actions().at(2)).center()));

    // The new selection is translated with the stored style; the first text is not translated again.
    WorkflowCoordinator& workflow = delegate->workflow();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return workflow.sourceText() == otherText &&
                   workflow.status().kind() == WorkflowStatus::Kind::completed;
        },
        10000))
        << workflow.sourceText().toStdString() << " " << workflow.status().debugName().toStdString();
    ASSERT_EQ(openai.requests().size(), 2);
    EXPECT_TRUE(openai.requests().last().body.contains(otherText.toUtf8()));
    EXPECT_TRUE(openai.requests().last().body.contains("technical documentation"));

    // "替换原文" writes that translation into the second editor and nothing into the first.
    panel()->view()->footer()->replaceButton()->click();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return editorText(second) == fake_replies::translationOf(otherText); }, 10000))
        << editorText(second).toStdString();
    EXPECT_EQ(editorText(first), sourceText);
}

TEST_F(PanelMainRoad, WithoutKeystrokesReplaceFailsWithThePermissionMessageAndPastesNothing) {
    launch(std::make_unique<DesktopWithoutKeystrokes>());
    HelperProcess editor(QStringLiteral(CLIPBOARD_TEST_APP), {QStringLiteral("edit"), sourceText}, true);
    ASSERT_TRUE(editor.isReady());
    translateWithHotKey(editor);

    LogCapture pasteLog("com.tolvane.app.PasteBackController");
    panel()->view()->footer()->replaceButton()->click();
    WorkflowCoordinator& workflow = delegate->workflow();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return workflow.status().kind() == WorkflowStatus::Kind::failed; }, 10000))
        << workflow.status().debugName().toStdString();
    EXPECT_TRUE(workflow.status().message().contains(
        PasteBackError(PasteBackError::Kind::accessibilityPermissionRequired).description()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panelShown(); }, 5000)) << "the panel shows the failure";
    EXPECT_EQ(workflow.resultText(), fake_replies::translationOf(sourceText)) << "the translation is kept";
    EXPECT_TRUE(panel()->view()->footer()->replaceButton()->isEnabled())
        << "a finished answer may be tried again";
    EXPECT_EQ(editorText(editor), sourceText);
    EXPECT_FALSE(pasteLog.lines().join(QLatin1Char('\n')).contains(QStringLiteral("Completed paste-back")));
}

// A paste the panel's input refuses is told in words shown whole, and the input and result columns keep
// their widths.
TEST_F(PanelMainRoad, ARefusedPasteIsToldWholeAndTheColumnsKeepTheirWidths) {
    delegate->workflow().enterManualInput();
    ASSERT_TRUE(QTest::qWaitFor([&] { return panelShown(); }, 10000));
    ResultPanelManualBody* body = panel()->view()->manualBody();
    ASSERT_TRUE(QTest::qWaitFor([&] { return body->isVisible(); }, 5000));
    const int inputWidth = body->editor()->width();
    const int outputWidth = body->output()->width();
    EXPECT_LE(std::abs(inputWidth - outputWidth), 2);

    QApplication::clipboard()->setText(QString(maximumSourceLength + 1, QLatin1Char('x')));
    body->editor()->paste();
    EXPECT_TRUE(body->editor()->text().isEmpty());
    QLabel* refusal = nullptr;
    for (QLabel* label : body->findChildren<QLabel*>())
        if (label->text().startsWith(QStringLiteral("文本过长")))
            refusal = label;
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(refusal->text(), sourceTextRefusal(maximumSourceLength + 1));
    // Laid out as the next frame shows it: whole, in the pane's width, which stays as it was.
    EXPECT_TRUE(QTest::qWaitFor([&] { return wholeInSight(refusal) && showsAllText(refusal); }, 5000))
        << refusal->width() << " wide, " << refusal->height() << " high";
    EXPECT_EQ(body->editor()->width(), inputWidth);
    EXPECT_EQ(body->output()->width(), outputWidth);

    // Typing ends the refusal: the count stands alone again.
    QTest::keyClicks(body->editor(), QStringLiteral("ok"));
    EXPECT_FALSE(refusal->isVisible() && refusal->text().startsWith(QStringLiteral("文本过长")));
    EXPECT_EQ(body->countLabel()->text(), QStringLiteral("2 字符"));
}

TEST_F(PanelMainRoad, ShortcutChangedWhilePausedIsRegisteredOnlyOnResume) {
    // Another client holds Ctrl+Alt+Y: moving "open the window" there is refused and says so.
    X11InputService rivalConnection;
    X11GlobalInput rival(rivalConnection, SessionKind::x11);
    ASSERT_EQ(rival.grabKey(KeyChord{XK_y, modControl | modAlt}, {fourCharCode("RIVL"), 1}), 0);
    AppSettings& settings = delegate->settings();
    const ShortcutModifiers ctrlAlt{ShortcutModifiers::command, ShortcutModifiers::option};
    settings.setShortcut(AppShortcut{16, ctrlAlt, QStringLiteral("y"), 1},
                         ShortcutAction::openTranslationWindow);
    ASSERT_TRUE(QTest::qWaitFor([&] { return settings.shortcutRegistrationErrors().size() == 1; }, 5000));

    // While a shortcut is recorded nothing is grabbed: a change then registers nothing and claims nothing.
    LogCapture log("com.tolvane.app.AppDelegate");
    delegate->shortcutWiring()->setGlobalShortcutsPaused(true);
    settings.setShortcut(AppShortcut{32, ctrlAlt, QStringLiteral("u"), 1},
                         ShortcutAction::screenshotRecognition);
    QTest::qWait(300);
    EXPECT_FALSE(log.lines().join(QLatin1Char('\n')).contains(QStringLiteral("Registered")));
    EXPECT_EQ(settings.shortcutRegistrationErrors().count(ShortcutAction::openTranslationWindow), 1u);

    // Resuming registers the setting as it is now.
    delegate->shortcutWiring()->setGlobalShortcutsPaused(false);
    const QString lines = log.lines().join(QLatin1Char('\n'));
    EXPECT_TRUE(
        lines.contains(QStringLiteral("Registered screenshotRecognition shortcut: Ctrl+Alt+U")) &&
        lines.contains(QStringLiteral("Failed to register openTranslationWindow shortcut Ctrl+Alt+Y")))
        << lines.toStdString();
    EXPECT_EQ(settings.shortcutRegistrationErrors().count(ShortcutAction::openTranslationWindow), 1u);
}

} // namespace
} // namespace tolvane::testing
