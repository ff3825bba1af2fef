#pragma once

#include "core/async/cancellation.h"
#include "core/async/task.h"
#include "core/clock.h"
#include "model/ai_request.h"
#include "model/history_entry.h"
#include "workflow/captured_selection.h"
#include "workflow/history_write_queue.h"
#include "workflow/operation_bookkeeping.h"
#include "workflow/translation_recorder.h"
#include "workflow/workflow_status.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QThread>
#include <QUuid>
#include <QVariant>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tolvane {

class ApiKeySource;
class ClipboardWriter;
class LanguageRecognizer;
class PasteBackTarget;
class SelectionSource;
class TranslationProviderFactory;
class TranslationRecorder;
class TranslationSettings;
struct CloudTranslationResult;

// The services the coordinator uses; each must outlive it.
struct WorkflowServices {
    TranslationSettings& settings;
    ApiKeySource& keychain;
    SelectionSource& selectionReader;
    TranslationRecorder& historyStore;
    PasteBackTarget& pasteBack;
    ClipboardWriter& clipboard;
    TranslationProviderFactory& providers;
    const LanguageRecognizer& languageRecognizer;
    // Wall clock for history timestamps, monotonic clock for timings, debounce and spacing.
    Clock& clock;
};

// Carries one translation at a time from its input (a selection, recognised text, typed text) to a finished,
// recorded result, and publishes its state to the result panel and the main window. Main thread only.
//
// Two task slots hold the asynchronous work: `currentTask` (the one task that may write results) and
// `autoTranslateTask` (the pending typing debounce). Superseded work is dropped by cancelling its task and by
// two generations: the automatic one (renewed by operations that supersede typed input) and the explicit one
// (bumped by stop, dismiss, reset and history display).
//
// Views must not call operations from inside a change signal or a hook: debug builds assert against it.
class WorkflowCoordinator final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString sourceText READ sourceText NOTIFY sourceTextChanged)
    Q_PROPERTY(QString resultText READ resultText NOTIFY resultTextChanged)
    Q_PROPERTY(tolvane::WorkflowStatus status READ status WRITE setStatus NOTIFY statusChanged)
    Q_PROPERTY(QString providerName READ providerName NOTIFY providerNameChanged)
    Q_PROPERTY(bool canPasteBackToSource READ canPasteBackToSource NOTIFY canPasteBackToSourceChanged)
    Q_PROPERTY(bool isManualInputMode READ isManualInputMode NOTIFY isManualInputModeChanged)
    Q_PROPERTY(QUuid manualInputSessionID READ manualInputSessionID NOTIFY manualInputSessionIDChanged)
    Q_PROPERTY(QVariant lastTimeToFirstTokenMilliseconds READ lastTimeToFirstTokenVariant NOTIFY
                   lastTimeToFirstTokenMillisecondsChanged)
    Q_PROPERTY(QVariant lastTranslationLatencyMilliseconds READ lastTranslationLatencyVariant NOTIFY
                   lastTranslationLatencyMillisecondsChanged)
    Q_PROPERTY(QVariant displayedHistoryEntryID READ displayedHistoryEntryVariant NOTIFY
                   displayedHistoryEntryIDChanged)

public:
    using PresentPanelHook = std::function<void(std::optional<QRect>)>;
    using Hook = std::function<void()>;

    explicit WorkflowCoordinator(WorkflowServices services, QObject* parent = nullptr);
    // Cancels both slots and every paste-back task: a suspended task must not outlive its coordinator's
    // state.
    ~WorkflowCoordinator() override;

    // Published state.
    const QString& sourceText() const { return m_sourceText; }
    const QString& resultText() const { return m_resultText; }
    const WorkflowStatus& status() const { return m_status; }
    const QString& providerName() const { return m_providerName; }
    bool canPasteBackToSource() const { return m_canPasteBackToSource; }
    // The result is a whole answer: it completed and has not changed since. Announced by statusChanged
    // and resultTextChanged.
    bool isResultFinished() const { return m_resultFinished; }
    bool isManualInputMode() const { return m_isManualInputMode; }
    const QUuid& manualInputSessionID() const { return m_manualInputSessionID; }
    std::optional<int> lastTimeToFirstTokenMilliseconds() const { return m_lastTimeToFirstToken; }
    std::optional<int> lastTranslationLatencyMilliseconds() const { return m_lastLatency; }
    const std::optional<QString>& displayedHistoryEntryID() const { return m_displayedHistoryEntryID; }

    // Remembered requests and ids, readable for the windows and for tests.
    const std::optional<AIRequest>& lastRequest() const { return m_lastRequest; }
    const std::optional<AIRequest>& lastAutoFailedRequest() const { return m_lastAutoFailedRequest; }
    const std::optional<QString>& inputHistoryEntryID() const { return m_inputHistoryEntryID; }
    // Bumped by every explicit stop, dismissal, reset and history display.
    uint64_t explicitCancellationGeneration() const { return m_explicitCancellationGeneration; }
    // Bumped by every entry operation: work begun before a change has been overtaken by newer input.
    uint64_t entrySerial() const { return m_entrySerial; }

    // The status is also assigned by its owner and the workspace (a save failure, an OCR error).
    void setStatus(const WorkflowStatus& status);

    // Panel hooks, set once by the application shell; an unset hook is skipped.
    void setPresentPanelHook(PresentPanelHook hook) { m_presentPanel = std::move(hook); }
    void setFocusPanelInputHook(Hook hook) { m_focusPanelInput = std::move(hook); }
    void setClosePanelHook(Hook hook) { m_closePanel = std::move(hook); }
    void setCancelCaptureWorkflowHook(Hook hook) { m_cancelCaptureWorkflow = std::move(hook); }
    // Calls the presentPanel hook (for the screenshot runs and the workspace). Rectangles are Qt global
    // logical coordinates, passed through untouched.
    void presentPanel(std::optional<QRect> anchor);

    // Entry operations.
    void translateSelection();
    void translateCapturedSelection(const CapturedSelection& selection);
    void translateText(const QString& text, bool canPasteBackToSource);
    // Shows the panel by `bounds` (the region about to be captured) or, without them, by the pointer.
    void beginScreenshotCapture(std::optional<QRect> bounds);
    void translateRecognizedText(const QString& text, std::optional<QRect> bounds);
    void showRecognizedText(const QString& text, std::optional<QRect> bounds);
    void stopTranslation();
    void dismissPanel();
    void resetWorkflow();
    void translateInputText(const QString& text);
    void translateManualInput(const QString& text);
    void retranslate(const QString& text, bool canPasteBackToSource);
    void showHistoryEntry(const HistoryEntry& entry);
    void copyResultText();
    void copySourceText();
    void replaceOriginal();

    // Typing. Naming: `manualInputDidChange` is the main window's source text; `panelInputDidChange`,
    // `translateManualInput`, `enterManualInput` and `isManualInputMode` belong to the floating panel.
    void manualInputDidChange(const QString& text);
    void panelInputDidChange(const QString& text);
    // Drops a pending typing debounce, leaving whatever runs or is shown alone.
    void cancelPendingAutomaticTranslation();

    // Sets the status unless it is `cancelled` or `completed`.
    void reportFailure(const WorkflowStatus& status);
    // Empties the panel and opens it for typed input with a new session id.
    void enterManualInput();
    // The request for `text` (already trimmed) under the current settings.
    AIRequest makeTranslationRequest(const QString& text) const;
    // The provider name shown after a hosted translation.
    static QString cloudProviderDisplayName(const CloudTranslationResult& result);

Q_SIGNALS:
    void sourceTextChanged();
    void resultTextChanged();
    void statusChanged();
    void providerNameChanged();
    void canPasteBackToSourceChanged();
    void isManualInputModeChanged();
    void manualInputSessionIDChanged();
    void lastTimeToFirstTokenMillisecondsChanged();
    void lastTranslationLatencyMillisecondsChanged();
    void displayedHistoryEntryIDChanged();

private:
    using Self = QPointer<WorkflowCoordinator>;

    // Debug-build guard against an operation entered from a hook or a change signal of another operation.
    class ReentryGuard {
    public:
        explicit ReentryGuard(WorkflowCoordinator& coordinator) : m_coordinator(coordinator) {
            Q_ASSERT_X(QThread::currentThread() == coordinator.thread(), "WorkflowCoordinator",
                       "operations run on the main thread");
            Q_ASSERT_X(coordinator.m_reentryDepth == 0, "WorkflowCoordinator",
                       "an operation was called from a hook or a change signal of another operation");
            ++m_coordinator.m_reentryDepth;
        }
        ~ReentryGuard() { --m_coordinator.m_reentryDepth; }
        ReentryGuard(const ReentryGuard&) = delete;
        ReentryGuard& operator=(const ReentryGuard&) = delete;

    private:
        WorkflowCoordinator& m_coordinator;
    };

    // Setters that notify only on change.
    void setSourceText(const QString& text);
    void setResultText(const QString& text);
    void appendResultText(const QString& piece);
    // Appends a streamed piece up to kMaximumResultLength; past it throws WorkflowError::resultTooLong.
    void appendStreamedText(const QString& piece);
    // Replaces the result with an answer's whole text, kept to kMaximumResultLength the same way.
    void replaceStreamedText(const QString& text);
    void setProviderName(const QString& name);
    void setCanPasteBackToSource(bool value);
    void setManualInputMode(bool value);
    void setLastTimeToFirstToken(std::optional<int> value);
    void setLastLatency(std::optional<int> value);
    void setDisplayedHistoryEntryID(std::optional<QString> id);
    void clearTexts();

    QVariant lastTimeToFirstTokenVariant() const;
    QVariant lastTranslationLatencyVariant() const;
    QVariant displayedHistoryEntryVariant() const;

    void callPresentPanel(std::optional<QRect> anchor);
    void callHook(const Hook& hook);

    void applyBookkeeping(const OperationBookkeeping& row);
    QString keepOrCreateInputHistoryId();
    // Stores a new task in a slot (cancelling the one there) and returns its ticket.
    uint64_t startCurrentTask(std::function<QCoro::Task<>(CancellationToken, uint64_t)> body);
    bool ownsCurrentSlot(uint64_t ticket) const { return m_currentTicket == ticket; }
    // For operations that cancel currentTask and publish a new state of their own without starting a task:
    // the cancelled task then ends silently instead of settling that state back to idle.
    void retireCurrentTicket() { ++m_currentTicket; }
    void startPerformTranslation(const QString& text, bool canPasteBack,
                                 std::optional<QString> historyEntryId);
    void translateManualInputUnguarded(const QString& text);
    void translateInputTextUnguarded(const QString& text);
    void translateTextUnguarded(const QString& text, bool canPasteBack);
    void translateCapturedSelectionUnguarded(const CapturedSelection& selection);
    void resetWorkflowUnguarded();
    void copyIfNotEmpty(const QString& text);
    void renewAutoTranslateGeneration() { ++m_autoTranslateGeneration; }

    // Task bodies: static coroutines that hold the coordinator weakly (see core/async/task.h).
    static QCoro::Task<> selectionBody(Self self, CancellationToken token, uint64_t ticket);
    static QCoro::Task<> performTranslationBody(Self self, CancellationToken token, uint64_t ticket,
                                                QString text, bool canPasteBack,
                                                std::optional<QString> historyEntryId);
    static QCoro::Task<> shownTextBody(Self self, CancellationToken token, uint64_t ticket, QString text,
                                       std::optional<QRect> bounds, bool canPasteBack);
    static QCoro::Task<> pasteBackBody(Self self, CancellationToken token, PasteBackTarget* pasteBack,
                                       QString text);

    // The translation pipeline (translation_pipeline.cpp).
    static QCoro::Task<> runTranslation(Self self, CancellationToken token, QString text,
                                        std::optional<QString> historyEntryId);
    static QCoro::Task<> streamChat(Self self, CancellationToken token, AIRequest request,
                                    uint64_t generation, std::chrono::nanoseconds startedAt,
                                    QString historyEntryId);
    static QCoro::Task<> streamHosted(Self self, CancellationToken token, AIRequest request,
                                      uint64_t generation, std::chrono::nanoseconds startedAt,
                                      QString historyEntryId);
    static QCoro::Task<> record(Self self, TranslationRecord record);
    // `notice` with the words about history writes still to be told appended.
    QString withHistoryWriteNotice(const QString& notice);
    // Publishes a finished result: `completed`, then the timing and its log line, then the automatic copy.
    void publishCompletion(const QString& provider, qsizetype characters, std::chrono::nanoseconds startedAt);
    int elapsedMilliseconds(std::chrono::nanoseconds startedAt) const;
    // Throws CancelledError when the coordinator is gone, the task cancelled or the explicit generation
    // moved.
    static void throwIfSuperseded(const Self& self, const CancellationToken& token, uint64_t generation);

    // The typing debounce (typing_debounce.cpp).
    void scheduleAutomaticTranslation(const QString& trimmed, const AIRequest& request,
                                      bool requiresManualInput);
    static QCoro::Task<> debounceBody(Self self, CancellationToken token, uint64_t generation,
                                      QString trimmed, AIRequest request, QString historyEntryId,
                                      bool requiresManualInput);
    static QCoro::Task<bool> waitForAutomaticDispatchSlot(Self self, CancellationToken token,
                                                          uint64_t generation, bool requiresManualInputMode);
    static QCoro::Task<> runAutomaticTranslation(Self self, CancellationToken token, uint64_t ticket,
                                                 QString text, AIRequest request, uint64_t generation,
                                                 QString historyEntryId);

    WorkflowServices m_services;

    QString m_sourceText;
    QString m_resultText;
    bool m_appendAnnouncementQueued = false; // see appendResultText()
    WorkflowStatus m_status = WorkflowStatus::idle();
    QString m_providerName;
    bool m_canPasteBackToSource = false;
    bool m_resultFinished = false;
    bool m_isManualInputMode = false;
    QUuid m_manualInputSessionID = QUuid::createUuid();
    std::optional<int> m_lastTimeToFirstToken;
    std::optional<int> m_lastLatency;
    std::optional<QString> m_displayedHistoryEntryID;

    PresentPanelHook m_presentPanel;
    Hook m_focusPanelInput;
    Hook m_closePanel;
    Hook m_cancelCaptureWorkflow;

    TaskSlot m_currentTask;
    TaskSlot m_autoTranslateTask;
    // Changes only when a new task is stored in currentTask: a task that no longer owns the slot ends
    // silently instead of settling its successor's state.
    uint64_t m_currentTicket = 0;
    uint64_t m_autoTranslateGeneration = 0;
    uint64_t m_explicitCancellationGeneration = 0;
    // Writes the records in order; a record that cannot be written yet waits there.
    std::unique_ptr<HistoryWriteQueue> m_historyWrites;
    // Words about a history write not told beside its own result, told beside the next one.
    QString m_pendingHistoryNotice;
    // A waiting record is told once, until a write succeeds again; a record given up is always told.
    bool m_historyDelayTold = false;
    uint64_t m_entrySerial = 0;
    std::optional<AIRequest> m_lastAutoFailedRequest;
    std::optional<AIRequest> m_lastConfigurationRetranslationRequest;
    std::optional<QString> m_restoredHistorySourceText;
    std::optional<QString> m_inputHistoryEntryID;
    std::optional<AIRequest> m_lastRequest;
    std::optional<uint64_t> m_lastAutomaticDispatchUptimeNs;
    // Paste-back tasks live outside both slots; only the destructor cancels them.
    std::vector<TaskHandle> m_pasteBackTasks;
    int m_reentryDepth = 0;
};

} // namespace tolvane
