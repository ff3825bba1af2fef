// Answers that break off, never end, run past the length limit, carry a broken byte, are still arriving or
// are not answers at all, with the delegate in process on the test session's desktop and the fake services
// in a process of their own: what arrived stays in the panel with words saying it is incomplete, nothing of
// it is copied, recorded, remembered or written over the user's text, and an endless answer is ended by the
// application itself.
#include "app/app_delegate.h"
#include "app/main_window_controller.h"
#include "desktop_delegate.h"
#include "fake_server_process.h"
#include "model/app_settings.h"
#include "model/keychain_store.h"
#include "panel/floating_panel_controller.h"
#include "panel/result_panel_footer.h"
#include "panel/result_panel_reading_body.h"
#include "panel/result_panel_text_view.h"
#include "panel/result_panel_view.h"
#include "panel/result_panel_window.h"
#include "providers/provider_errors.h"
#include "scoped_environment.h"
#include "support/fake_translation_replies.h"
#include "support/history_rows.h"
#include "support/virtual_clock.h"
#include "workflow/workflow_coordinator.h"
#include "workflow/workflow_error.h"
#include "workspace/main_translate_view.h"
#include "workspace/result_pane.h"
#include "workspace/workspace_button.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace tolvane::testing {
namespace {

class BrokenAnswer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        folders.redirectUserFolders(home.path());
        launch(TranslationEngine::openAICompatible);
    }
    // A started delegate (replacing any earlier one) translating English into Chinese with `engine`.
    void launch(TranslationEngine engine) {
        delegate.reset();
        delegate = makeDesktopDelegate(DesktopServices::x11(SessionKind::x11),
                                       AppFactories{.mainContent = MainTranslateView::factory()});
        AppSettings& settings = delegate->settings();
        settings.defaults().setValue(AppDelegate::hasSeenGuideKey, true);
        settings.setTranslationEngine(engine);
        settings.setModel(QStringLiteral("test-model"));
        settings.setSourceLanguage(QStringLiteral("en"));
        settings.setTargetLanguage(QStringLiteral("zh-Hans"));
        settings.setAutoCopyResult(true);
        delegate->storage().keychainStore().saveAPIKey(QStringLiteral("sk-broken"));
        historyPath = delegate->storage().historyDatabasePath();
        ASSERT_TRUE(startUntilFinished(*delegate));
        QObject::connect(&workflow(), &WorkflowCoordinator::statusChanged, [this] {
            const WorkflowStatus::Kind kind = workflow().status().kind();
            endings += kind == WorkflowStatus::Kind::completed || kind == WorkflowStatus::Kind::failed;
        });
    }
    void TearDown() override { delegate.reset(); }

    WorkflowCoordinator& workflow() const { return delegate->workflow(); }

    // Translates `text` as a captured selection through `server` (the panel shows it beside the selection,
    // ready to replace it) and waits until the translation has ended; true when it completed.
    bool translate(FakeServerProcess& server, const QString& text) {
        const int before = endings;
        start(server, text);
        const bool ended = QTest::qWaitFor([&] { return endings > before; }, 120000);
        EXPECT_TRUE(ended) << workflow().status().debugName().toStdString();
        return ended && workflow().status().kind() == WorkflowStatus::Kind::completed;
    }

    void start(FakeServerProcess& server, const QString& text) {
        delegate->settings().setBaseURLString(server.openaiURL());
        workflow().translateCapturedSelection({text, QRect(400, 300, 120, 20)});
    }

    TranslatorPanel* panelWindow() const { return delegate->panelController()->panelWindow(); }
    ResultPanelReadingBody* readingBody() const {
        return panelWindow() ? panelWindow()->view()->readingBody() : nullptr;
    }
    // The answer shown is not written over the user's text: the replace buttons are hidden or off, and asking
    // the workflow itself leaves the panel open (a replace closes it first).
    void expectNoReplace() {
        QPushButton* replace = panelWindow()->view()->footer()->replaceButton();
        EXPECT_FALSE(replace->isVisible() && replace->isEnabled());
        // Nor is the main window's.
        auto* view = delegate->mainWindowController()->window()->findChild<MainTranslateView*>();
        ASSERT_NE(view, nullptr);
        EXPECT_FALSE(view->resultPane()->replaceButton()->isEnabled());
        workflow().replaceOriginal();
        EXPECT_TRUE(panelWindow()->isVisible());
    }

    QTemporaryDir home;
    ScopedEnvironment folders;
    std::unique_ptr<AppDelegate> delegate;
    QString historyPath;
    int endings = 0; // translations that completed or failed
};

TEST_F(BrokenAnswer, ACutOffAnswerStaysShownAsIncompleteAndIsNeitherCopiedNorRecordedNorRemembered) {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    const struct {
        const char* ending;
        QString source;
        QString cause;
    } cases[] = {
        {"cut", QStringLiteral("closed mid answer"), AIProviderError::interrupted().description()},
        {"reset", QStringLiteral("reset mid answer"), AIProviderError::interrupted().description()},
        {"length", QStringLiteral("stopped at the token limit"),
         AIProviderError::outputLimitReached().description()},
    };
    for (const auto& [ending, source, cause] : cases) {
        SCOPED_TRACE(ending);
        FakeServerProcess server({QStringLiteral("--chat-ending"), QLatin1String(ending)});
        ASSERT_TRUE(server.isStarted());
        for (int attempt = 1; attempt <= 2; ++attempt) {
            EXPECT_FALSE(translate(server, source));
            // Each attempt asked the server: the first answer was not remembered. (The server's line may
            // reach this process a little after the answer.)
            (void)QTest::qWaitFor([&] { return server.chatRequests() >= attempt; }, 20000);
            EXPECT_EQ(server.chatRequests(), attempt);
            const QString told = WorkflowError::incompleteResult(cause).description();
            EXPECT_EQ(workflow().status(), WorkflowStatus::failed(told));
            const QString arrived = workflow().resultText();
            EXPECT_TRUE(fake_replies::translationOf(source).startsWith(arrived) && !arrived.isEmpty())
                << arrived.toStdString();

            ResultPanelReadingBody* body = readingBody();
            ASSERT_NE(body, nullptr);
            EXPECT_TRUE(QTest::qWaitFor([&] { return body->resultView()->isVisible(); }, 20000));
            EXPECT_EQ(body->resultView()->shownText(), arrived);
            EXPECT_EQ(body->resultCaption()->text(), QStringLiteral("译文 · ") + told);
            expectNoReplace();
        }
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before")) << "nothing was copied";
    }
    // A whole answer is written after the broken ones, so none of them is waiting to be written.
    FakeServerProcess whole({QStringLiteral("--chat-ending"), QStringLiteral("stop")});
    ASSERT_TRUE(whole.isStarted());
    const QString source = QStringLiteral("finished without done");
    EXPECT_TRUE(translate(whole, source)) << "a stop reason without [DONE] is a normal end";
    EXPECT_EQ(workflow().resultText(), fake_replies::translationOf(source));
    EXPECT_TRUE(QTest::qWaitFor([&] { return storedRowCount(historyPath, "memory", source) == 1; }, 30000));
    for (const auto& entry : cases) {
        EXPECT_EQ(storedRowCount(historyPath, "history", entry.source), 0);
        EXPECT_EQ(storedRowCount(historyPath, "memory", entry.source), 0);
    }
}

TEST_F(BrokenAnswer, AnEndlessAnswerIsEndedByTheApplicationWithWordsAndWhatArrivedStays) {
    FakeServerProcess server({QStringLiteral("--endless"), QStringLiteral("content")});
    ASSERT_TRUE(server.isStarted());
    const QString source = QStringLiteral("never ending");
    EXPECT_FALSE(translate(server, source));
    EXPECT_EQ(workflow().status(), WorkflowStatus::failed(WorkflowError::resultTooLong().description()));
    EXPECT_EQ(workflow().resultText().size(), kMaximumResultLength);
    EXPECT_TRUE(workflow().resultText().startsWith(QStringLiteral("endless answer endless answer ")));

    ResultPanelReadingBody* body = readingBody();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->resultView()->requestedText(), workflow().resultText());
    EXPECT_EQ(body->resultCaption()->text(),
              QStringLiteral("译文 · ") + WorkflowError::resultTooLong().description());
    EXPECT_EQ(storedRowCount(historyPath, "history", source), 0);

    // A screen reader reads the answer as it is, without the line ends the view shows it in blocks with.
    ResultPanelTextView* view = body->resultView();
    view->flushPendingText();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view);
    ASSERT_TRUE(accessible && accessible->textInterface());
    QAccessibleTextInterface* text = accessible->textInterface();
    const QString& answer = workflow().resultText();
    EXPECT_EQ(text->characterCount(), answer.size());
    EXPECT_TRUE(text->text(0, text->characterCount()) == answer);
    EXPECT_TRUE(accessible->text(QAccessible::Value) == answer);
    // Offsets past the first blocks are the answer's own; a selection made there reads back the same.
    const int late = int(answer.size()) - 5000;
    int start = 0;
    int end = 0;
    EXPECT_EQ(text->text(late, late + 40), answer.mid(late, 40));
    text->textAtOffset(late, QAccessible::LineBoundary, &start, &end);
    EXPECT_TRUE(start <= late && late < end && text->text(start, end) == answer.mid(start, end - start))
        << start << "-" << end;
    text->setSelection(0, late, late + 3000);
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(late, late + 3000));
    view->copy();
    EXPECT_TRUE(QGuiApplication::clipboard()->text() == answer.mid(late, 3000));
}

// The hosted service's final text replaces the streamed pieces under the same limit: an answer far past it
// ends like an endless stream.
TEST_F(BrokenAnswer, AHostedFinalTextPastTheLimitIsShownInPartAndNeitherCopiedNorStored) {
    FakeServerProcess server(
        {QStringLiteral("--hosted-done-chars"), QString::number(3 * kMaximumResultLength)});
    ASSERT_TRUE(server.isStarted());
    folders.set("TOLVANE_HOSTED_BASE_URL", server.hostedURL().toUtf8());
    launch(TranslationEngine::cloudStandard);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));

    const QString source = QStringLiteral("a far too long final text");
    EXPECT_FALSE(translate(server, source));
    EXPECT_EQ(workflow().status(), WorkflowStatus::failed(WorkflowError::resultTooLong().description()));
    EXPECT_EQ(workflow().resultText().size(), kMaximumResultLength);
    EXPECT_TRUE(workflow().resultText().startsWith(fake_replies::translationOf(source)));
    ResultPanelReadingBody* body = readingBody();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->resultView()->requestedText(), workflow().resultText());
    EXPECT_EQ(body->resultCaption()->text(),
              QStringLiteral("译文 · ") + WorkflowError::resultTooLong().description());
    expectNoReplace();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before")) << "nothing was copied";
    EXPECT_EQ(storedRowCount(historyPath, "history", source), 0);
    EXPECT_EQ(storedRowCount(historyPath, "memory", source), 0);
}

// An answer remembered before the limit held for every answer comes back under it too.
TEST_F(BrokenAnswer, ARememberedAnswerPastTheLimitIsShownInPartAndNotCopied) {
    const QString source = QStringLiteral("remembered far too long");
    {
        VirtualClock clock;
        HistoryStore store(clock, historyPath);
        await(store.upsertMemoryEntry(workflow().makeTranslationRequest(source),
                                      QString(2 * kMaximumResultLength, QChar(u'长')), clock.now()));
    }
    FakeServerProcess server({});
    ASSERT_TRUE(server.isStarted());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    EXPECT_FALSE(translate(server, source));
    EXPECT_EQ(server.chatRequests(), 0);
    EXPECT_EQ(workflow().status(), WorkflowStatus::failed(WorkflowError::resultTooLong().description()));
    EXPECT_EQ(workflow().resultText(), QString(kMaximumResultLength, QChar(u'长')));
    expectNoReplace();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before")) << "nothing was copied";
}

TEST_F(BrokenAnswer, AnAnswerStillArrivingNeverReplacesTheOriginal) {
    FakeServerProcess server({QStringLiteral("--chat-ending"), QStringLiteral("held")});
    ASSERT_TRUE(server.isStarted());
    const QString source = QStringLiteral("held mid answer");
    start(server, source);
    // The panel shows the first piece.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !workflow().resultText().isEmpty() && readingBody() &&
                   readingBody()->resultView()->requestedText() == workflow().resultText();
        },
        120000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panelWindow()->isVisible(); }, 20000));
    EXPECT_EQ(workflow().status(), WorkflowStatus::streaming());
    expectNoReplace();
    workflow().stopTranslation();
}

// One invalid byte in a piece costs that byte's character, shown as U+FFFD, and no more of the answer.
TEST_F(BrokenAnswer, AnInvalidByteInAPieceBecomesOneReplacementCharacter) {
    FakeServerProcess server({QStringLiteral("--chat-ending"), QStringLiteral("broken-byte")});
    ASSERT_TRUE(server.isStarted());
    const QString source = QStringLiteral("First part. Second part. Third part.");
    EXPECT_TRUE(translate(server, source));
    EXPECT_EQ(workflow().resultText(), fake_replies::translationWithBrokenByte(source));
    ResultPanelReadingBody* body = readingBody();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->resultView()->requestedText(), workflow().resultText());
}

// A character cut short costs one U+FFFD, not one per byte; and a NUL in the answer does not end what a
// screen reader gets: the panel's text is read whole, the NUL as U+FFFD in its place.
TEST_F(BrokenAnswer, ACutCharacterIsOneReplacementAndANulDoesNotEndTheReadText) {
    FakeServerProcess server({QStringLiteral("--chat-ending"), QStringLiteral("cut-character")});
    ASSERT_TRUE(server.isStarted());
    const QString source = QStringLiteral("First part. Second part. Third part.");
    EXPECT_TRUE(translate(server, source));
    const QString answer = fake_replies::translationWithCutCharacter(source);
    EXPECT_EQ(workflow().resultText(), answer);
    ResultPanelReadingBody* body = readingBody();
    ASSERT_NE(body, nullptr);
    ResultPanelTextView* view = body->resultView();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->requestedText() == answer && !view->hasPendingText(); }));

    QString read = answer;
    read.replace(QChar(char16_t(0)), QChar::ReplacementCharacter);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view);
    ASSERT_NE(accessible, nullptr);
    QAccessibleTextInterface* text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Value), read);
    ASSERT_EQ(text->characterCount(), read.size());
    EXPECT_EQ(text->text(0, text->characterCount()), read);
    // Line by line and word by word as well.
    QString lines;
    for (int offset = 0, start = 0, end = 0; offset < read.size(); offset = std::max(end, offset + 1))
        lines += text->textAtOffset(offset, QAccessible::LineBoundary, &start, &end);
    EXPECT_EQ(lines.remove(QLatin1Char('\n')), QString(read).remove(QLatin1Char('\n')));
    const qsizetype nul = answer.indexOf(QChar(char16_t(0)));
    int start = 0;
    int end = 0;
    EXPECT_FALSE(
        text->textAtOffset(int(nul), QAccessible::WordBoundary, &start, &end).contains(QChar(char16_t(0))));
}

// A base URL that leads to a web site is told as such, not as a broken connection.
TEST_F(BrokenAnswer, AWebPageInsteadOfAnAnswerSaysToCheckTheBaseURL) {
    FakeServerProcess server({QStringLiteral("--chat-ending"), QStringLiteral("web-page")});
    ASSERT_TRUE(server.isStarted());
    const QString source = QStringLiteral("sent to a web site");
    EXPECT_FALSE(translate(server, source));
    EXPECT_EQ(workflow().status(), WorkflowStatus::failed(AIProviderError::webPage().description()));
    EXPECT_TRUE(workflow().resultText().isEmpty());
    ResultPanelReadingBody* body = readingBody();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->failureLabel()->text(), workflow().status().message());
    EXPECT_EQ(storedRowCount(historyPath, "history", source), 0);
}

// A hostile stream the provider refuses is told in the interface's language.
TEST_F(BrokenAnswer, AnEndlessLineIsRefusedInChineseWords) {
    FakeServerProcess server({QStringLiteral("--endless"), QStringLiteral("line")});
    ASSERT_TRUE(server.isStarted());
    EXPECT_FALSE(translate(server, QStringLiteral("one endless line")));
    EXPECT_EQ(workflow().status(), WorkflowStatus::failed(QStringLiteral("翻译服务返回了无法识别的回答。")));
    ResultPanelReadingBody* body = readingBody();
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->failureLabel()->text(), workflow().status().message());
}

} // namespace
} // namespace tolvane::testing
