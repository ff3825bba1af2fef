#pragma once

#include "support/virtual_clock.h"
#include "workflow/workflow_coordinator.h"
#include "workflow_fakes.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

namespace tolvane {
inline void PrintTo(const WorkflowStatus& status, std::ostream* os) {
    *os << status.debugName().toStdString();
}
} // namespace tolvane

namespace tolvane::testing {

// A translation shown from history, saved from the memory.
inline HistoryEntry historyEntry(const QString& id, const QString& source, const QString& result) {
    return {id,
            source,
            result,
            AIAction::translate,
            QStringLiteral("en-US"),
            QStringLiteral("zh-Hans"),
            QStringLiteral("memory"),
            QDateTime::currentDateTimeUtc()};
}

// A coordinator over fakes in virtual time, with every hook call and every status it publishes logged.
class CoordinatorTest : public ::testing::Test {
protected:
    CoordinatorTest() {
        coordinator = std::make_unique<WorkflowCoordinator>(WorkflowServices{
            settings, keychain, selection, recorder, pasteBack, clipboard, providers, recognizer, clock});
        coordinator->setPresentPanelHook([this](std::optional<QRect> anchor) {
            hooks << (anchor ? QStringLiteral("present(%1,%2)").arg(anchor->x()).arg(anchor->y())
                             : QStringLiteral("present()"));
        });
        coordinator->setFocusPanelInputHook([this] { hooks << QStringLiteral("focus"); });
        coordinator->setClosePanelHook([this] { hooks << QStringLiteral("close"); });
        coordinator->setCancelCaptureWorkflowHook([this] { hooks << QStringLiteral("cancelCapture"); });
        QObject::connect(coordinator.get(), &WorkflowCoordinator::statusChanged, coordinator.get(),
                         [this] { statuses << coordinator->status().debugName(); });
    }
    ~CoordinatorTest() override {
        coordinator.reset();
        drainEventLoop();
    }

    void turn() { drainEventLoop(); }
    void translate(const QString& text, bool pasteable = false) {
        coordinator->translateText(text, pasteable);
        turn();
    }
    // Sends a chunk on the newest chat stream and lets the pipeline take it.
    void chunk(const QString& text) {
        providers.lastChat().send(AIChunk{text});
        turn();
    }
    void finishChat() {
        providers.lastChat().finish();
        turn();
    }
    // Streams `text` as the whole answer of the newest chat stream.
    void answer(const QString& text) {
        chunk(text);
        finishChat();
    }
    WorkflowStatus::Kind kind() const { return coordinator->status().kind(); }

    VirtualClock clock;
    FakeSettings settings;
    FakeKeychain keychain;
    FakeSelection selection;
    FakeRecorder recorder;
    FakePasteBack pasteBack;
    FakeClipboard clipboard;
    FakeProviderFactory providers;
    SilentRecognizer recognizer;
    std::unique_ptr<WorkflowCoordinator> coordinator;
    QStringList hooks;
    QStringList statuses;
};

} // namespace tolvane::testing
