// The workspace root over the real coordinator and settings: the typed text and the coordinator's source
// text kept in step, re-translation on settings changes, and saving the result.
#include "workspace/result_pane.h"
#include "workspace_fixture.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace std::chrono_literals;

namespace tolvane::testing {
namespace {

using Kind = WorkflowStatus::Kind;

QString editorText(const MainTranslateView& view) {
    return view.sourcePane()->editor()->text();
}

TEST_F(WorkspaceTest, TypedTextAndPublishedSourceStayInStepWithoutOverwritingTheUser) {
    // An untouched editor takes a source text published from elsewhere; no request comes from it.
    coordinator.translateText(QStringLiteral("From another app"), false);
    turn();
    EXPECT_EQ(editorText(*view), QStringLiteral("From another app"));
    EXPECT_EQ(view->inputText(), QStringLiteral("From another app"));
    ASSERT_EQ(providers.chat.size(), 1u);
    providers.lastChat().finish();
    turn();

    // Typing: the whole text, once, after the debounce.
    view->sourcePane()->editor()->selectAll();
    type(QStringLiteral("Mine"));
    EXPECT_TRUE(view->isInputEditing());
    debounce();
    ASSERT_EQ(providers.chat.size(), 2u);
    EXPECT_EQ(providers.chat[1].request.sourceText, QStringLiteral("Mine"));

    // While editing, a new source from elsewhere leaves the typed text alone, and an emptied one never
    // clears the editor.
    coordinator.translateText(QStringLiteral("Hot key text"), false);
    turn();
    coordinator.resetWorkflow();
    turn();
    EXPECT_EQ(editorText(*view), QStringLiteral("Mine"));

    // Focus moving elsewhere in the window ends editing; the editor then follows the coordinator again.
    auto* other = new QLineEdit(view.get());
    other->show();
    other->setFocus(Qt::MouseFocusReason);
    turn();
    EXPECT_FALSE(view->isInputEditing());
    coordinator.translateText(QStringLiteral("Hot key text"), false);
    turn();
    EXPECT_EQ(editorText(*view), QStringLiteral("Hot key text"));
}

TEST_F(WorkspaceTest, ReusingAnEntryEqualToTheInputStillReportsTheNextKeystroke) {
    type(QStringLiteral("hello world"));
    debounce();
    providers.lastChat().finish();
    turn();
    const size_t before = providers.chat.size();
    view->reuseHistoryEntry(
        historyEntry(QStringLiteral("e1"), QStringLiteral("hello world"), QStringLiteral("你好")));
    turn();
    EXPECT_EQ(editorText(*view), QStringLiteral("hello world"));
    EXPECT_EQ(coordinator.resultText(), QStringLiteral("你好"));
    QTest::keyClick(view->sourcePane()->editor(), Qt::Key_End);
    type(QStringLiteral("!"));
    debounce();
    ASSERT_EQ(providers.chat.size(), before + 1);
    EXPECT_EQ(providers.chat.back().request.sourceText, QStringLiteral("hello world!"));
}

TEST_F(WorkspaceTest, SettingsChangesTranslateTheInputAgainOnceAndOnlyWhenTheyShouldAct) {
    struct Case {
        const char* name;
        std::function<void(AppSettings&)> change;
        bool windowShown;
        bool panelShown;
        std::optional<std::pair<QString, QString>> request; // source and target of the one request
    };
    const QString en = QStringLiteral("en-US"), zh = QStringLiteral("zh-Hans"), ja = QStringLiteral("ja");
    const std::vector<Case> cases{
        {"swap", [](AppSettings& s) { s.swapLanguages(); }, true, false, std::pair(zh, en)},
        {"target picked", [&](AppSettings& s) { s.setTargetLanguage(ja); }, true, false, std::pair(en, ja)},
        {"current value", [&](AppSettings& s) { s.setTargetLanguage(zh); }, true, false, std::nullopt},
        {"changed and back in one turn",
         [&](AppSettings& s) {
             s.setTargetLanguage(ja);
             s.setTargetLanguage(zh);
         },
         true, false, std::nullopt},
        {"style", [](AppSettings& s) { s.selectTranslationStyle(TranslationStyle::email); }, true, false,
         std::pair(en, zh)},
        {"window hidden", [&](AppSettings& s) { s.setTargetLanguage(ja); }, false, false, std::nullopt},
        {"panel shown", [&](AppSettings& s) { s.setTargetLanguage(ja); }, true, true, std::nullopt},
    };
    settings.setAutoTranslateWhileTyping(false);
    turn();
    type(QStringLiteral("Hello there"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.setSourceLanguage(en);
        settings.setTargetLanguage(zh);
        settings.setTranslationStyle(TranslationStyle::literal);
        turn();
        coordinator.resetWorkflow();
        providers.chat.clear();
        view->setVisible(c.windowShown);
        panelVisible = c.panelShown;
        c.change(settings);
        turn();
        view->show();
        panelVisible = false;
        turn(); // showing again later translates nothing either
        if (!c.request) {
            EXPECT_TRUE(providers.chat.empty());
            continue;
        }
        ASSERT_EQ(providers.chat.size(), 1u);
        EXPECT_EQ(providers.chat[0].request.sourceText, QStringLiteral("Hello there"));
        EXPECT_EQ(providers.chat[0].request.sourceLanguage, c.request->first);
        EXPECT_EQ(providers.chat[0].request.targetLanguage, c.request->second);
    }
}

TEST_F(WorkspaceTest, SwitchingAutomaticTranslationOffStopsOnlyARunningTranslation) {
    // Done, with a typing debounce pending: the result stays, and the debounce never fires.
    coordinator.translateText(QStringLiteral("earlier text"), false);
    turn();
    providers.lastChat().send(AIChunk{QStringLiteral("早")});
    providers.lastChat().finish();
    turn();
    ASSERT_EQ(coordinator.status().kind(), Kind::completed);
    type(QStringLiteral(" more"));
    settings.setAutoTranslateWhileTyping(false);
    turn();
    EXPECT_EQ(coordinator.status().kind(), Kind::completed);
    debounce();
    EXPECT_EQ(providers.chat.size(), 1u);

    // Streaming: switching off stops it; switching on schedules the typed text again.
    settings.setAutoTranslateWhileTyping(true);
    turn();
    debounce();
    ASSERT_EQ(providers.chat.size(), 2u);
    ASSERT_EQ(coordinator.status().kind(), Kind::streaming);
    settings.setAutoTranslateWhileTyping(false);
    turn();
    EXPECT_EQ(coordinator.status().kind(), Kind::cancelled);
}

TEST_F(WorkspaceTest, SavingWritesTheResultOrReportsWhyNot) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile blocker(folder.filePath(QStringLiteral("plain-file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString result = QStringLiteral("中文 👨‍👩‍👧\n");
    struct Case {
        const char* name;
        QString result;
        std::optional<QString> path;
        bool emptiedDuringChooser;
        int chooserCalls;
        std::optional<QString> written;
        bool fails;
    };
    const QString target = folder.filePath(QStringLiteral("out.txt"));
    const std::vector<Case> cases{
        {"empty result", QString(), target, false, 0, std::nullopt, false},
        {"cancelled", result, std::nullopt, false, 1, std::nullopt, false},
        {"written", result, target, false, 1, result, false},
        {"emptied while choosing", result, target, true, 1, result, false},
        {"under a regular file", result, folder.filePath(QStringLiteral("plain-file/out.txt")), false, 1,
         std::nullopt, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(target);
        proposedNames.clear();
        panelPresentations = 0;
        coordinator.resetWorkflow();
        if (!c.result.isEmpty())
            coordinator.showHistoryEntry(historyEntry(QStringLiteral("e"), QStringLiteral("src"), c.result));
        turn();
        chosenPath = c.path;
        duringChooser = c.emptiedDuringChooser
                            ? std::function<void()>([this] { coordinator.resetWorkflow(); })
                            : std::function<void()>();
        view->saveResultToFile();
        EXPECT_EQ(proposedNames.size(), c.chooserCalls);
        if (c.chooserCalls)
            EXPECT_EQ(proposedNames.first(), QStringLiteral("Translation.txt"));
        QFile written(target);
        EXPECT_EQ(written.exists(), c.written.has_value());
        if (c.written && written.open(QIODevice::ReadOnly))
            EXPECT_EQ(written.readAll(), c.written->toUtf8());
        EXPECT_EQ(coordinator.status().kind() == Kind::failed, c.fails);
        if (c.fails)
            EXPECT_TRUE(coordinator.status().message().startsWith(QStringLiteral("保存译文失败：")))
                << coordinator.status().message().toStdString();
        EXPECT_EQ(panelPresentations, c.fails ? 1 : 0);
    }
}

TEST_F(WorkspaceTest, NewTranslationEmptiesInputAndWorkflowAndFocusesTheEditor) {
    type(QStringLiteral("Some text"));
    debounce();
    providers.lastChat().send(AIChunk{QStringLiteral("一些")});
    turn();
    auto* other = new QLineEdit(view.get());
    other->show();
    other->setFocus(Qt::TabFocusReason);
    turn();
    view->startNewTranslation();
    turn();
    EXPECT_TRUE(editorText(*view).isEmpty());
    EXPECT_TRUE(view->inputText().isEmpty());
    EXPECT_EQ(coordinator.status().kind(), Kind::idle);
    EXPECT_TRUE(coordinator.resultText().isEmpty());
    EXPECT_TRUE(view->sourcePane()->editor()->hasFocus());
    debounce();
    EXPECT_EQ(providers.chat.size(), 1u);
}

} // namespace
} // namespace tolvane::testing
