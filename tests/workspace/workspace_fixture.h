#pragma once

#include "model/app_settings.h"
#include "model/history_events.h"
#include "model/history_store.h"
#include "platform/memory/memory_key_value_store.h"
#include "support/task_outcome.h"
#include "support/virtual_clock.h"
#include "ui/native_text_editor.h"
#include "workflow/app_settings_translation_settings.h"
#include "workflow/coordinator_fixture.h"
#include "workflow/workflow_coordinator.h"
#include "workspace/main_translate_view.h"
#include "workspace/source_pane.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace tolvane::testing {

// The workspace over the real coordinator and real settings in virtual time, shown offscreen; the sidebar
// reads a real history file, and the providers, the recorded history and the clipboard are the workflow's
// fakes, and the save location is the test's answer.
class WorkspaceTest : public ::testing::Test {
protected:
    WorkspaceTest()
        : settings(store, clock), translationSettings(settings),
          owner(std::make_unique<WorkflowCoordinator>(
              WorkflowServices{translationSettings, keychain, selection, recorder, pasteBack, clipboard,
                               providers, recognizer, clock})),
          coordinator(*owner) {
        settings.setTranslationEngine(TranslationEngine::openAICompatible);
        settings.setSourceLanguage(QStringLiteral("en-US"));
        settings.setTargetLanguage(QStringLiteral("zh-Hans"));
        coordinator.setPresentPanelHook([this](std::optional<QRect>) { ++panelPresentations; });
        MainContentContext context;
        context.workflow = &coordinator;
        context.settings = &settings;
        context.historyStore = &history;
        context.historyEvents = &historyEvents;
        context.isFloatingPanelVisible = [this] { return panelVisible; };
        view = std::make_unique<MainTranslateView>(context, [this](const QString& proposed) {
            proposedNames << proposed;
            if (duringChooser)
                duringChooser();
            return chosenPath;
        });
        view->resize(1441, 842);
        view->show();
        QApplication::setActiveWindow(view.get());
        turn();
    }
    ~WorkspaceTest() override {
        view.reset();
        // Cancelled translations finish on the next turns; none may be left suspended.
        owner.reset();
        drainEventLoop();
        // A history read the sidebar started may still be on the store's worker (a busy machine makes it
        // slow): one more read queues behind it, and awaiting it runs the first one's answer to its end too,
        // so no waiting coroutine outlives the test.
        try {
            await(history.fetchHistory());
        } catch (const std::exception&) {
            // A store a test broke fails the read, after the one before it all the same.
        }
    }

    void turn() { drainEventLoop(); }
    // Types into the source editor as the user does (it takes focus first).
    void type(const QString& text) {
        NativeTextEditor* editor = view->sourcePane()->editor();
        editor->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(editor, text);
        turn();
    }
    // Waits out the typing debounce.
    void debounce() {
        clock.advance(std::chrono::seconds(2));
        turn();
    }

    VirtualClock clock;
    QTemporaryDir historyFolder;
    HistoryStore history{clock, historyFolder.filePath(QStringLiteral("History.sqlite3"))};
    HistoryEvents historyEvents;
    MemoryKeyValueStore store;
    AppSettings settings;
    AppSettingsTranslationSettings translationSettings;
    FakeKeychain keychain;
    FakeSelection selection;
    FakeRecorder recorder;
    FakePasteBack pasteBack;
    FakeClipboard clipboard;
    FakeProviderFactory providers;
    SilentRecognizer recognizer;
    std::unique_ptr<WorkflowCoordinator> owner;
    WorkflowCoordinator& coordinator;
    bool panelVisible = false;
    int panelPresentations = 0;
    QStringList proposedNames;
    std::optional<QString> chosenPath;
    std::function<void()> duringChooser;
    std::unique_ptr<MainTranslateView> view;
};

} // namespace tolvane::testing
