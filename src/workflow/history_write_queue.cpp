#include "workflow/history_write_queue.h"

#include "core/logging.h"
#include "model/history_store_error.h"

#include <QPointer>

namespace tolvane {

HistoryWriteCause historyWriteCauseOf(const std::exception& error) {
    const auto* store = dynamic_cast<const HistoryStoreError*>(&error);
    if (!store)
        return HistoryWriteCause::other;
    switch (store->cause()) {
    case HistoryStoreError::Cause::locked:
        return HistoryWriteCause::locked;
    case HistoryStoreError::Cause::diskFull:
        return HistoryWriteCause::diskFull;
    case HistoryStoreError::Cause::other:
        break;
    }
    return HistoryWriteCause::other;
}

HistoryWriteQueue::HistoryWriteQueue(TranslationRecorder& recorder, Clock& clock, qsizetype capacity)
    : m_recorder(recorder), m_clock(clock), m_capacity(capacity) {}

HistoryWriteQueue::~HistoryWriteQueue() {
    m_retries.cancel();
    if (m_entries.empty())
        return;
    // The one being written too: whether its write went through is not known yet, and writing it again
    // writes the same rows.
    QList<TranslationRecord> unwritten;
    for (const Entry& entry : m_entries)
        unwritten << entry.record;
    qCWarning(lcWorkflow).noquote()
        << QStringLiteral(
               "%1 translation(s) still waiting for the history database at quit go to the history store to "
               "be kept for the next start")
               .arg(unwritten.size());
    m_recorder.keepUnwritten(std::move(unwritten));
    for (Entry& entry : m_entries)
        entry.outcome.fail(std::make_exception_ptr(CancelledError()));
}

QCoro::Task<HistoryWriteOutcome> HistoryWriteQueue::settled(HistoryWriteOutcome outcome) {
    co_return outcome;
}

QCoro::Task<HistoryWriteOutcome> HistoryWriteQueue::write(TranslationRecord record) {
    if (pendingCount() >= m_capacity)
        return settled({HistoryWriteOutcome::Kind::lost, HistoryWriteCause::queueFull});
    record.clearsBefore = m_recorder.clearsRequested();
    Entry entry{std::move(record), {}};
    const OneShot<HistoryWriteOutcome> outcome = entry.outcome;
    m_entries.push_back(std::move(entry));
    if (m_busy) {
        // Behind the records being written or waiting; the next try comes at once.
        if (m_wake)
            m_wake->resolve({});
        else
            m_retryAtOnce = true;
        return outcome.wait();
    }
    return writeThrough(QPointer(this), outcome);
}

QCoro::Task<HistoryWriteOutcome> HistoryWriteQueue::writeThrough(QPointer<HistoryWriteQueue> self,
                                                                 OneShot<HistoryWriteOutcome> outcome) {
    // Started within write(), so the store has the row before anything asked after it (a reload of a list
    // showing the history).
    if (!co_await writeQueued(self) && self) {
        self->m_retries = spawn(self, lcWorkflow(), [self](CancellationToken token) {
            return retryUntilWritten(self, std::move(token));
        });
    }
    co_return co_await outcome.wait();
}

QCoro::Task<bool> HistoryWriteQueue::writeQueued(QPointer<HistoryWriteQueue> self) {
    self->m_busy = true;
    self->m_retryAtOnce = false;
    while (self && !self->m_entries.empty()) {
        // A copy: the entry stays queued until its write is known to have succeeded.
        const TranslationRecord record = self->m_entries.front().record;
        std::optional<HistoryWriteCause> failure;
        bool written = false;
        try {
            written = co_await self->m_recorder.recordTranslation(record);
        } catch (const std::exception& error) {
            // The error is logged, never the texts.
            qCWarning(lcWorkflow).noquote() << "Could not record the translation:" << describeError(error);
            failure = historyWriteCauseOf(error);
        }
        if (!self)
            co_return false;
        if (failure) {
            // Every record behind the failed one waits too, and all of them are kept on disk before any is
            // told so; one told before keeps its first outcome. A record arriving meanwhile is told after
            // the next try.
            QList<TranslationRecord> waiting;
            for (const Entry& entry : self->m_entries)
                waiting << entry.record;
            const qsizetype told = waiting.size();
            bool kept = false;
            try {
                kept = co_await self->m_recorder.keepWaiting(std::move(waiting));
            } catch (const std::exception& error) {
                qCWarning(lcWorkflow).noquote()
                    << "Could not keep the translations waiting for the history:" << describeError(error);
            }
            if (!self)
                co_return false;
            for (qsizetype i = 0; i < told; ++i)
                self->m_entries[size_t(i)].outcome.resolve(
                    {HistoryWriteOutcome::Kind::waiting, *failure, !kept});
            co_return false;
        }
        self->m_entries.front().outcome.resolve(
            {written ? HistoryWriteOutcome::Kind::written : HistoryWriteOutcome::Kind::dropped});
        self->m_entries.pop_front();
    }
    if (self)
        self->m_busy = false;
    co_return true;
}

QCoro::Task<> HistoryWriteQueue::retryUntilWritten(QPointer<HistoryWriteQueue> self,
                                                   CancellationToken token) {
    for (;;) {
        if (!std::exchange(self->m_retryAtOnce, false)) {
            Signal wake;
            self->m_wake = wake;
            const ScheduledCall retry = self->m_clock.callAfter(kRetryInterval, [wake] { wake.resolve({}); });
            co_await wake.wait(token);
            if (!self)
                co_return;
            self->m_wake.reset();
        }
        if (co_await writeQueued(self) || !self)
            co_return;
        token.throwIfCancelled();
    }
}

} // namespace tolvane
