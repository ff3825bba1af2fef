#include "workflow/workflow_coordinator.h"

#include "core/app_error.h"
#include "core/logging.h"
#include "core/text.h"
#include "core/uuid_text.h"
#include "model/language_detection.h"
#include "model/language_table.h"
#include "workflow/clipboard_writer.h"
#include "workflow/paste_back_target.h"
#include "workflow/selection_source.h"
#include "workflow/translation_settings.h"

namespace tolvane {

WorkflowCoordinator::WorkflowCoordinator(WorkflowServices services, QObject* parent)
    : QObject(parent), m_services(services),
      m_historyWrites(std::make_unique<HistoryWriteQueue>(m_services.historyStore, m_services.clock,
                                                          HistoryWriteQueue::kCapacity)) {}

WorkflowCoordinator::~WorkflowCoordinator() {
    m_currentTask.cancel();
    m_autoTranslateTask.cancel();
    for (const TaskHandle& task : m_pasteBackTasks)
        task.cancel();
}

// ---- published state ----

void WorkflowCoordinator::setStatus(const WorkflowStatus& status) {
    if (m_status == status)
        return;
    m_status = status;
    // A completed status shows a finished result; a later failure (a replace that failed) leaves it
    // finished, every other state (a new translation, a stop, typed input) does not.
    if (status.kind() == WorkflowStatus::Kind::completed)
        m_resultFinished = true;
    else if (status.kind() != WorkflowStatus::Kind::failed)
        m_resultFinished = false;
    Q_EMIT statusChanged();
}

void WorkflowCoordinator::setSourceText(const QString& text) {
    if (m_sourceText == text)
        return;
    m_sourceText = text;
    Q_EMIT sourceTextChanged();
}

void WorkflowCoordinator::setResultText(const QString& text) {
    if (m_resultText == text)
        return;
    m_resultText = text;
    m_resultFinished = false;
    Q_EMIT resultTextChanged();
}

void WorkflowCoordinator::appendResultText(const QString& piece) {
    m_resultText.append(piece);
    m_resultFinished = false;
    // A fast server delivers thousands of pieces in one turn of the event loop; each announcement makes
    // every view compare the whole text, so the pieces of one turn are announced once, in the next turn.
    if (m_appendAnnouncementQueued)
        return;
    m_appendAnnouncementQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_appendAnnouncementQueued = false;
            Q_EMIT resultTextChanged();
        },
        Qt::QueuedConnection);
}

void WorkflowCoordinator::setProviderName(const QString& name) {
    if (m_providerName == name)
        return;
    m_providerName = name;
    Q_EMIT providerNameChanged();
}

void WorkflowCoordinator::setCanPasteBackToSource(bool value) {
    if (m_canPasteBackToSource == value)
        return;
    m_canPasteBackToSource = value;
    Q_EMIT canPasteBackToSourceChanged();
}

void WorkflowCoordinator::setManualInputMode(bool value) {
    if (m_isManualInputMode == value)
        return;
    m_isManualInputMode = value;
    Q_EMIT isManualInputModeChanged();
}

void WorkflowCoordinator::setLastTimeToFirstToken(std::optional<int> value) {
    if (m_lastTimeToFirstToken == value)
        return;
    m_lastTimeToFirstToken = value;
    Q_EMIT lastTimeToFirstTokenMillisecondsChanged();
}

void WorkflowCoordinator::setLastLatency(std::optional<int> value) {
    if (m_lastLatency == value)
        return;
    m_lastLatency = value;
    Q_EMIT lastTranslationLatencyMillisecondsChanged();
}

void WorkflowCoordinator::setDisplayedHistoryEntryID(std::optional<QString> id) {
    if (m_displayedHistoryEntryID == id)
        return;
    m_displayedHistoryEntryID = std::move(id);
    Q_EMIT displayedHistoryEntryIDChanged();
}

void WorkflowCoordinator::clearTexts() {
    setSourceText({});
    setResultText({});
    setProviderName({});
}

QVariant WorkflowCoordinator::lastTimeToFirstTokenVariant() const {
    return m_lastTimeToFirstToken ? QVariant(*m_lastTimeToFirstToken) : QVariant();
}

QVariant WorkflowCoordinator::lastTranslationLatencyVariant() const {
    return m_lastLatency ? QVariant(*m_lastLatency) : QVariant();
}

QVariant WorkflowCoordinator::displayedHistoryEntryVariant() const {
    return m_displayedHistoryEntryID ? QVariant(*m_displayedHistoryEntryID) : QVariant();
}

// ---- hooks ----

void WorkflowCoordinator::presentPanel(std::optional<QRect> anchor) {
    callPresentPanel(anchor);
}

void WorkflowCoordinator::callPresentPanel(std::optional<QRect> anchor) {
    if (!m_presentPanel)
        return;
    ++m_reentryDepth;
    m_presentPanel(anchor);
    --m_reentryDepth;
}

void WorkflowCoordinator::callHook(const Hook& hook) {
    if (!hook)
        return;
    ++m_reentryDepth;
    hook();
    --m_reentryDepth;
}

// ---- shared helpers ----

void WorkflowCoordinator::reportFailure(const WorkflowStatus& status) {
    const auto current = m_status.kind();
    if (current == WorkflowStatus::Kind::cancelled || current == WorkflowStatus::Kind::completed)
        return;
    setStatus(status);
}

void WorkflowCoordinator::enterManualInput() {
    clearTexts();
    setCanPasteBackToSource(false);
    m_manualInputSessionID = QUuid::createUuid();
    Q_EMIT manualInputSessionIDChanged();
    setManualInputMode(true);
    setStatus(WorkflowStatus::manualInput());
    callPresentPanel(std::nullopt);
    callHook(m_focusPanelInput);
}

AIRequest WorkflowCoordinator::makeTranslationRequest(const QString& text) const {
    const TranslationSettings& settings = m_services.settings;
    AIRequest request;
    request.action = AIAction::translate;
    request.sourceText = text;
    request.sourceLanguage = settings.sourceLanguage();
    if (request.sourceLanguage == QLatin1String(kAutoLanguageCode)) {
        request.sourceLanguage = detectSourceLanguage(text, m_services.languageRecognizer)
                                     .value_or(QString::fromLatin1(kAutoLanguageCode));
    }
    request.targetLanguage = settings.targetLanguage();
    request.style = settings.translationStyle();
    request.glossaryTerms = settings.activeGlossaryTerms();
    return request;
}

void WorkflowCoordinator::applyBookkeeping(const OperationBookkeeping& row) {
    using HistoryId = OperationBookkeeping::HistoryId;
    using ManualMode = OperationBookkeeping::ManualMode;
    ++m_entrySerial;
    if (row.clearsHistoryLinks) {
        setDisplayedHistoryEntryID(std::nullopt);
        m_restoredHistorySourceText.reset();
    }
    if (row.inputHistoryId == HistoryId::cleared)
        m_inputHistoryEntryID.reset();
    else if (row.inputHistoryId == HistoryId::keepOrCreate)
        keepOrCreateInputHistoryId();
    if (row.capturesPasteTarget)
        m_services.pasteBack.captureTarget();
    if (row.cancelsAutoTranslateTask)
        m_autoTranslateTask.cancel();
    if (row.renewsAutoTranslateGeneration)
        renewAutoTranslateGeneration();
    if (row.clearsLastAutoFailedRequest)
        m_lastAutoFailedRequest.reset();
    if (row.cancelsCurrentTask)
        m_currentTask.cancel();
    if (row.bumpsExplicitCancellation)
        ++m_explicitCancellationGeneration;
    if (row.manualMode == ManualMode::leave)
        setManualInputMode(false);
    else if (row.manualMode == ManualMode::enter)
        setManualInputMode(true);
}

QString WorkflowCoordinator::keepOrCreateInputHistoryId() {
    if (!m_inputHistoryEntryID)
        m_inputHistoryEntryID = uuid::newUpper();
    return *m_inputHistoryEntryID;
}

uint64_t
WorkflowCoordinator::startCurrentTask(std::function<QCoro::Task<>(CancellationToken, uint64_t)> body) {
    const uint64_t ticket = ++m_currentTicket;
    m_currentTask.replace(
        spawn(this, lcWorkflow(), [body = std::move(body), ticket](CancellationToken token) {
            return body(std::move(token), ticket);
        }));
    return ticket;
}

void WorkflowCoordinator::startPerformTranslation(const QString& text, bool canPasteBack,
                                                  std::optional<QString> historyEntryId) {
    Self self(this);
    startCurrentTask([self, text, canPasteBack, historyEntryId](CancellationToken token, uint64_t ticket) {
        return performTranslationBody(self, std::move(token), ticket, text, canPasteBack, historyEntryId);
    });
}

// ---- the selection road ----

void WorkflowCoordinator::translateSelection() {
    ReentryGuard guard(*this);
    applyBookkeeping(bookkeepingFor(EntryOperation::translateSelection));
    if (auto selection = m_services.selectionReader.readSelectionSynchronously()) {
        translateCapturedSelectionUnguarded(*selection);
        return;
    }
    Self self(this);
    startCurrentTask([self](CancellationToken token, uint64_t ticket) {
        return selectionBody(self, std::move(token), ticket);
    });
}

QCoro::Task<> WorkflowCoordinator::selectionBody(Self self, CancellationToken token, uint64_t ticket) {
    token.throwIfCancelled();
    if (!self)
        co_return;
    self->clearTexts();
    self->setCanPasteBackToSource(false);
    self->setStatus(WorkflowStatus::capturing());
    SelectionSource* reader = &self->m_services.selectionReader;
    std::exception_ptr error;
    bool nothingSelected = false;
    try {
        std::optional<CapturedSelection> selection = co_await reader->readSelection(token);
        if (!self)
            co_return;
        token.throwIfCancelled();
        if (selection) {
            self->setCanPasteBackToSource(true);
            self->callPresentPanel(selection->bounds);
            co_await runTranslation(self, token, selection->text, std::nullopt);
        } else {
            nothingSelected = true;
        }
    } catch (...) {
        error = std::current_exception();
    }
    if (!self || !self->ownsCurrentSlot(ticket))
        co_return;
    if (nothingSelected) {
        self->enterManualInput();
    } else if (error && isCancellation(error)) {
        self->setCanPasteBackToSource(false);
        self->reportFailure(WorkflowStatus::idle());
    } else if (error) {
        self->setCanPasteBackToSource(false);
        self->setStatus(WorkflowStatus::failed(describeError(error)));
        self->callPresentPanel(std::nullopt);
    }
}

void WorkflowCoordinator::translateCapturedSelection(const CapturedSelection& selection) {
    ReentryGuard guard(*this);
    translateCapturedSelectionUnguarded(selection);
}

void WorkflowCoordinator::translateCapturedSelectionUnguarded(const CapturedSelection& selection) {
    applyBookkeeping(bookkeepingFor(EntryOperation::translateCapturedSelection));
    Self self(this);
    startCurrentTask([self, selection](CancellationToken token, uint64_t ticket) {
        return shownTextBody(self, std::move(token), ticket, selection.text, selection.bounds, true);
    });
}

// ---- given and typed text ----

void WorkflowCoordinator::translateText(const QString& text, bool canPasteBackToSource) {
    ReentryGuard guard(*this);
    translateTextUnguarded(text, canPasteBackToSource);
}

void WorkflowCoordinator::translateTextUnguarded(const QString& text, bool canPasteBack) {
    applyBookkeeping(bookkeepingFor(EntryOperation::translateText));
    startPerformTranslation(text, canPasteBack, std::nullopt);
}

void WorkflowCoordinator::translateInputText(const QString& text) {
    ReentryGuard guard(*this);
    translateInputTextUnguarded(text);
}

void WorkflowCoordinator::translateInputTextUnguarded(const QString& text) {
    applyBookkeeping(bookkeepingFor(EntryOperation::translateInputText));
    startPerformTranslation(text, false, m_inputHistoryEntryID);
}

void WorkflowCoordinator::translateManualInput(const QString& text) {
    ReentryGuard guard(*this);
    translateManualInputUnguarded(text);
}

void WorkflowCoordinator::translateManualInputUnguarded(const QString& text) {
    const QString trimmed = text::trimmed(text);
    if (trimmed.isEmpty()) {
        applyBookkeeping(bookkeepingFor(EntryOperation::translateManualInputEmpty));
        clearTexts();
        setCanPasteBackToSource(false);
        setStatus(WorkflowStatus::manualInput());
        return;
    }
    applyBookkeeping(bookkeepingFor(EntryOperation::translateManualInput));
    startPerformTranslation(trimmed, false, m_inputHistoryEntryID);
}

QCoro::Task<> WorkflowCoordinator::performTranslationBody(Self self, CancellationToken token, uint64_t ticket,
                                                          QString text, bool canPasteBack,
                                                          std::optional<QString> historyEntryId) {
    token.throwIfCancelled();
    if (!self)
        co_return;
    self->clearTexts();
    self->setCanPasteBackToSource(canPasteBack);
    self->setStatus(WorkflowStatus::capturing());
    std::exception_ptr error;
    try {
        co_await runTranslation(self, token, text, historyEntryId);
    } catch (...) {
        error = std::current_exception();
    }
    if (!error || !self || !self->ownsCurrentSlot(ticket))
        co_return;
    if (isCancellation(error)) {
        self->reportFailure(self->m_isManualInputMode ? WorkflowStatus::manualInput()
                                                      : WorkflowStatus::idle());
    } else {
        self->setStatus(WorkflowStatus::failed(describeError(error)));
    }
}

void WorkflowCoordinator::retranslate(const QString& text, bool canPasteBackToSource) {
    ReentryGuard guard(*this);
    const QString trimmed = text::trimmed(text);
    if (trimmed.isEmpty())
        return;
    const AIRequest request = makeTranslationRequest(trimmed);
    if (m_lastConfigurationRetranslationRequest && *m_lastConfigurationRetranslationRequest == request) {
        setCanPasteBackToSource(m_canPasteBackToSource || canPasteBackToSource);
        return;
    }
    m_lastConfigurationRetranslationRequest = request;
    m_autoTranslateTask.cancel();
    renewAutoTranslateGeneration();
    if (m_isManualInputMode)
        translateManualInputUnguarded(trimmed);
    else if (m_inputHistoryEntryID)
        translateInputTextUnguarded(trimmed);
    else
        translateTextUnguarded(trimmed, canPasteBackToSource);
}

// ---- screenshots ----

void WorkflowCoordinator::beginScreenshotCapture(std::optional<QRect> bounds) {
    ReentryGuard guard(*this);
    applyBookkeeping(bookkeepingFor(EntryOperation::beginScreenshotCapture));
    retireCurrentTicket();
    clearTexts();
    setCanPasteBackToSource(false);
    setStatus(WorkflowStatus::capturing());
    callPresentPanel(bounds);
}

void WorkflowCoordinator::translateRecognizedText(const QString& text, std::optional<QRect> bounds) {
    ReentryGuard guard(*this);
    applyBookkeeping(bookkeepingFor(EntryOperation::translateRecognizedText));
    Self self(this);
    startCurrentTask([self, text, bounds](CancellationToken token, uint64_t ticket) {
        return shownTextBody(self, std::move(token), ticket, text, bounds, false);
    });
}

// Translates text that is already in hand (a captured selection or recognised text), shown at `bounds`.
QCoro::Task<> WorkflowCoordinator::shownTextBody(Self self, CancellationToken token, uint64_t ticket,
                                                 QString text, std::optional<QRect> bounds,
                                                 bool canPasteBack) {
    token.throwIfCancelled();
    if (!self)
        co_return;
    self->clearTexts();
    self->setCanPasteBackToSource(canPasteBack);
    self->setStatus(WorkflowStatus::capturing());
    self->callPresentPanel(bounds);
    std::exception_ptr error;
    try {
        co_await runTranslation(self, token, text, std::nullopt);
    } catch (...) {
        error = std::current_exception();
    }
    if (!error || !self || !self->ownsCurrentSlot(ticket))
        co_return;
    self->setCanPasteBackToSource(false);
    if (isCancellation(error)) {
        self->reportFailure(WorkflowStatus::idle());
    } else {
        self->setStatus(WorkflowStatus::failed(describeError(error)));
        self->callPresentPanel(bounds);
    }
}

void WorkflowCoordinator::showRecognizedText(const QString& text, std::optional<QRect> bounds) {
    ReentryGuard guard(*this);
    applyBookkeeping(bookkeepingFor(EntryOperation::showRecognizedText));
    retireCurrentTicket();
    const QString trimmed = text::trimmed(text);
    setSourceText(trimmed);
    setResultText({});
    setProviderName(QStringLiteral("OCR"));
    setCanPasteBackToSource(false);
    setStatus(trimmed.isEmpty() ? WorkflowStatus::empty() : WorkflowStatus::textCaptured());
    callPresentPanel(bounds);
}

// ---- stop, dismiss, reset, history ----

void WorkflowCoordinator::stopTranslation() {
    ReentryGuard guard(*this);
    callHook(m_cancelCaptureWorkflow);
    applyBookkeeping(bookkeepingFor(EntryOperation::stopTranslation));
    setCanPasteBackToSource(false);
    setStatus(WorkflowStatus::cancelled());
}

void WorkflowCoordinator::dismissPanel() {
    ReentryGuard guard(*this);
    callHook(m_cancelCaptureWorkflow);
    applyBookkeeping(bookkeepingFor(EntryOperation::dismissPanel));
    callHook(m_closePanel);
}

void WorkflowCoordinator::resetWorkflow() {
    ReentryGuard guard(*this);
    resetWorkflowUnguarded();
}

void WorkflowCoordinator::resetWorkflowUnguarded() {
    applyBookkeeping(bookkeepingFor(EntryOperation::resetWorkflow));
    m_lastConfigurationRetranslationRequest.reset();
    clearTexts();
    setCanPasteBackToSource(false);
    setStatus(WorkflowStatus::idle());
}

void WorkflowCoordinator::showHistoryEntry(const HistoryEntry& entry) {
    ReentryGuard guard(*this);
    applyBookkeeping(bookkeepingFor(EntryOperation::showHistoryEntry));
    setSourceText(entry.sourceText);
    setResultText(entry.resultText);
    setProviderName(entry.provider);
    setCanPasteBackToSource(false);
    m_lastConfigurationRetranslationRequest.reset();
    m_restoredHistorySourceText = entry.sourceText;
    m_lastRequest.reset();
    setLastTimeToFirstToken(std::nullopt);
    setLastLatency(std::nullopt);
    setDisplayedHistoryEntryID(entry.id);
    setStatus(WorkflowStatus::completed());
}

// ---- copy and paste back ----

void WorkflowCoordinator::copyResultText() {
    ReentryGuard guard(*this);
    copyIfNotEmpty(m_resultText);
}

void WorkflowCoordinator::copySourceText() {
    ReentryGuard guard(*this);
    copyIfNotEmpty(m_sourceText);
}

void WorkflowCoordinator::copyIfNotEmpty(const QString& text) {
    if (!text.isEmpty())
        m_services.clipboard.writePlainText(text);
}

void WorkflowCoordinator::replaceOriginal() {
    ReentryGuard guard(*this);
    // Only a finished answer replaces the user's text: never one still arriving, cut off or failed.
    if (!m_canPasteBackToSource || m_resultText.isEmpty() || !m_resultFinished)
        return;
    callHook(m_closePanel);
    std::erase_if(m_pasteBackTasks, [](const TaskHandle& task) { return !task.isRunning(); });
    Self self(this);
    PasteBackTarget* pasteBack = &m_services.pasteBack;
    const QString text = m_resultText;
    m_pasteBackTasks.push_back(spawn(this, lcWorkflow(), [self, pasteBack, text](CancellationToken token) {
        return pasteBackBody(self, std::move(token), pasteBack, text);
    }));
}

QCoro::Task<> WorkflowCoordinator::pasteBackBody(Self self, CancellationToken token,
                                                 PasteBackTarget* pasteBack, QString text) {
    std::exception_ptr error;
    try {
        co_await pasteBack->pasteBack(text, token);
    } catch (...) {
        error = std::current_exception();
    }
    if (!error || !self || isCancellation(error))
        co_return;
    self->setStatus(WorkflowStatus::failed(tr("替换原文失败，已保留翻译结果：%1").arg(describeError(error))));
    self->callPresentPanel(std::nullopt);
}

} // namespace tolvane
