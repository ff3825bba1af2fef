// The typing debounce of WorkflowCoordinator: edits of the main window's source text and of the panel's
// manual input are translated automatically 0.8 s after the last edit, at most once every 1.5 s.

#include "core/app_error.h"
#include "core/async/sleep.h"
#include "core/logging.h"
#include "core/text.h"
#include "workflow/dispatch_spacing.h"
#include "workflow/translation_settings.h"
#include "workflow/workflow_coordinator.h"
#include "workflow/workflow_error.h"

namespace tolvane {

namespace {

bool isUnderWayOrDone(const WorkflowStatus& status) {
    using Kind = WorkflowStatus::Kind;
    return status.kind() == Kind::capturing || status.kind() == Kind::streaming ||
           status.kind() == Kind::completed;
}

} // namespace

void WorkflowCoordinator::manualInputDidChange(const QString& text) {
    ReentryGuard guard(*this);
    m_autoTranslateTask.cancel();
    const QString trimmed = text::trimmed(text);
    if (m_restoredHistorySourceText && text::canonicallyEqual(*m_restoredHistorySourceText, trimmed))
        return;
    m_restoredHistorySourceText.reset();
    setDisplayedHistoryEntryID(std::nullopt);
    if (!m_services.settings.autoTranslateWhileTyping())
        return;
    if (trimmed.size() > kMaximumTranslationLength) {
        // Said at once rather than after the debounce; whatever ran before is over.
        retireCurrentTicket();
        m_currentTask.cancel();
        clearTexts();
        setCanPasteBackToSource(false);
        setStatus(WorkflowStatus::failed(WorkflowError::textTooLong(trimmed.size()).description()));
        return;
    }
    if (text::graphemeCount(trimmed) < 2) {
        if (trimmed.isEmpty())
            resetWorkflowUnguarded();
        return;
    }
    const AIRequest request = makeTranslationRequest(trimmed);
    // An automatic translation of exactly this request already failed: wait for an explicit retry.
    if (m_lastAutoFailedRequest && *m_lastAutoFailedRequest == request)
        return;
    // The same request is already under way or done and on display.
    if (m_lastRequest && *m_lastRequest == request &&
        text::canonicallyEqual(m_sourceText, request.sourceText) && isUnderWayOrDone(m_status))
        return;
    m_currentTask.cancel();
    scheduleAutomaticTranslation(trimmed, request, false);
}

void WorkflowCoordinator::cancelPendingAutomaticTranslation() {
    ReentryGuard guard(*this);
    m_autoTranslateTask.cancel();
}

void WorkflowCoordinator::panelInputDidChange(const QString& text) {
    ReentryGuard guard(*this);
    setDisplayedHistoryEntryID(std::nullopt);
    m_restoredHistorySourceText.reset();
    m_autoTranslateTask.cancel();
    m_currentTask.cancel();
    setManualInputMode(true);
    setCanPasteBackToSource(false);
    const QString trimmed = text::trimmed(text);
    setSourceText(trimmed);
    setResultText({});
    setProviderName({});
    setStatus(WorkflowStatus::manualInput());
    if (text::graphemeCount(trimmed) >= 2 && m_services.settings.autoTranslateWhileTyping()) {
        scheduleAutomaticTranslation(trimmed, makeTranslationRequest(trimmed), true);
        return;
    }
    if (trimmed.isEmpty())
        m_inputHistoryEntryID.reset();
}

void WorkflowCoordinator::scheduleAutomaticTranslation(const QString& trimmed, const AIRequest& request,
                                                       bool requiresManualInput) {
    const QString historyEntryId = keepOrCreateInputHistoryId();
    renewAutoTranslateGeneration();
    const uint64_t generation = m_autoTranslateGeneration;
    Self self(this);
    m_autoTranslateTask.replace(spawn(
        this, lcWorkflow(),
        [self, generation, trimmed, request, historyEntryId, requiresManualInput](CancellationToken token) {
            return debounceBody(self, std::move(token), generation, trimmed, request, historyEntryId,
                                requiresManualInput);
        }));
}

QCoro::Task<> WorkflowCoordinator::debounceBody(Self self, CancellationToken token, uint64_t generation,
                                                QString trimmed, AIRequest request, QString historyEntryId,
                                                bool requiresManualInput) {
    if (!self)
        co_return;
    // A cancelled sleep (a newer edit, or any operation cancelling the debounce) ends the task silently.
    co_await sleep(self->m_services.clock,
                   std::chrono::duration_cast<std::chrono::milliseconds>(kTypingDebounce), token);
    if (!self)
        co_return;
    const bool mayDispatch =
        co_await waitForAutomaticDispatchSlot(self, token, generation, requiresManualInput);
    if (!mayDispatch || !self)
        co_return;
    // The main window's edit left the current task running until now; the panel's edit cancelled it already.
    if (!requiresManualInput)
        self->m_currentTask.cancel();
    self->startCurrentTask(
        [self, trimmed, request, generation, historyEntryId](CancellationToken taskToken, uint64_t ticket) {
            return runAutomaticTranslation(self, std::move(taskToken), ticket, trimmed, request, generation,
                                           historyEntryId);
        });
}

QCoro::Task<bool> WorkflowCoordinator::waitForAutomaticDispatchSlot(Self self, CancellationToken token,
                                                                    uint64_t generation,
                                                                    bool requiresManualInputMode) {
    if (!self || self->m_autoTranslateGeneration != generation)
        co_return false;
    if (requiresManualInputMode && !self->m_isManualInputMode)
        co_return false;
    Clock* clock = &self->m_services.clock;
    const auto wait = remainingDispatchWait(self->m_lastAutomaticDispatchUptimeNs,
                                            static_cast<uint64_t>(clock->uptime().count()));
    if (wait > std::chrono::nanoseconds::zero()) {
        try {
            co_await sleep(*clock, std::chrono::ceil<std::chrono::milliseconds>(wait), token);
        } catch (const CancelledError&) {
            co_return false;
        }
    }
    if (!self || token.isCancelled())
        co_return false;
    if (self->m_autoTranslateGeneration != generation)
        co_return false;
    if (requiresManualInputMode && !self->m_isManualInputMode)
        co_return false;
    // A fresh reading, taken after any wait: the spacing counts from the moment a dispatch was let through.
    self->m_lastAutomaticDispatchUptimeNs = static_cast<uint64_t>(clock->uptime().count());
    co_return true;
}

QCoro::Task<> WorkflowCoordinator::runAutomaticTranslation(Self self, CancellationToken token,
                                                           uint64_t ticket, QString text, AIRequest request,
                                                           uint64_t generation, QString historyEntryId) {
    token.throwIfCancelled();
    if (!self || self->m_autoTranslateGeneration != generation)
        co_return;
    self->clearTexts();
    self->setCanPasteBackToSource(false);
    self->setStatus(WorkflowStatus::capturing());
    std::exception_ptr error;
    try {
        co_await runTranslation(self, token, text, historyEntryId);
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (!error) {
        if (self->m_lastAutoFailedRequest && *self->m_lastAutoFailedRequest == request)
            self->m_lastAutoFailedRequest.reset();
        co_return;
    }
    if (self->m_autoTranslateGeneration != generation || !self->ownsCurrentSlot(ticket))
        co_return;
    if (isCancellation(error)) {
        // A translation cut short is not finished: it settles as cancelled (never completed with a truncated
        // text), so the same input is sent again on the next edit.
        WorkflowStatus target = !text::trimmed(self->m_resultText).isEmpty() ? WorkflowStatus::cancelled()
                                : self->m_isManualInputMode                  ? WorkflowStatus::manualInput()
                                                                             : WorkflowStatus::idle();
        self->reportFailure(target);
        co_return;
    }
    if (token.isCancelled())
        co_return;
    self->m_lastAutoFailedRequest = request;
    self->setStatus(WorkflowStatus::failed(describeError(error)));
}

} // namespace tolvane
