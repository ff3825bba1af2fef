#pragma once

#include "core/async/one_shot.h"
#include "core/async/task.h"
#include "core/clock.h"
#include "workflow/translation_recorder.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <chrono>
#include <deque>
#include <optional>

namespace tolvane {

// Why a record waits for the history database, or why it was given up.
enum class HistoryWriteCause { locked, diskFull, other, queueFull };

// What became of one record handed to HistoryWriteQueue::write.
struct HistoryWriteOutcome {
    enum class Kind {
        written, // the record (and every one before it) is in the database
        waiting, // its write failed for `cause`; it stays queued and is written later
        lost,    // given up at once: the queue is full (`cause` is queueFull)
        dropped, // not written: a clear asked for after the translation was made has run
    };
    Kind kind = Kind::written;
    HistoryWriteCause cause = HistoryWriteCause::other;
    // A waiting record that could not be kept on disk either: it is written only if the database takes
    // writes again before the program ends.
    bool onlyWhileRunning = false;
    bool operator==(const HistoryWriteOutcome&) const = default;
};

// Writes the coordinator's records through the recorder, oldest first, one at a time. A record whose write
// fails (another program holds the file's write lock past the busy wait, the disk is full) stays queued with
// every later one behind it, and the queue tries again after kRetryInterval, or at once when a new record
// arrives, until the database takes writes again. Before a record is told to wait, every waiting record is
// handed to the recorder to be kept on disk, so that none is lost however the program ends. At most
// `capacity` records wait; a record arriving at a full queue is given up. A record made before a clear of
// the history that has run since is dropped rather than written. Records still waiting when the queue is
// destroyed (at quit) are handed to the recorder to be kept for the next start. Main thread only.
class HistoryWriteQueue final : public QObject {
public:
    // Each record holds at most two texts of the translation limit; 100 of them stay within a few MiB and
    // cover far more translations than anyone makes while a lock or a full disk lasts.
    static constexpr qsizetype kCapacity = 100;
    static constexpr std::chrono::milliseconds kRetryInterval{2000};

    HistoryWriteQueue(TranslationRecorder& recorder, Clock& clock, qsizetype capacity);
    ~HistoryWriteQueue() override;

    // Queues the record, made now (it takes the recorder's count of clears), and resolves when it was written
    // or dropped or its write first failed (`waiting`), or at once when the queue is full (`lost`). Throws
    // CancelledError when the queue is destroyed before either.
    QCoro::Task<HistoryWriteOutcome> write(TranslationRecord record);
    // Records not yet in the database, the one being written included.
    qsizetype pendingCount() const { return static_cast<qsizetype>(m_entries.size()); }

private:
    struct Entry {
        TranslationRecord record;
        OneShot<HistoryWriteOutcome> outcome;
    };

    // Writes the queued records, oldest first, until none is left (true) or one fails (false).
    static QCoro::Task<bool> writeQueued(QPointer<HistoryWriteQueue> self);
    // Writes a record that arrived at an idle queue, then waits for its outcome; starts the retries when
    // a write failed.
    static QCoro::Task<HistoryWriteOutcome> writeThrough(QPointer<HistoryWriteQueue> self,
                                                         OneShot<HistoryWriteOutcome> outcome);
    // Tries again after kRetryInterval (or when a record arrives) until every queued record is written.
    static QCoro::Task<> retryUntilWritten(QPointer<HistoryWriteQueue> self, CancellationToken token);
    static QCoro::Task<HistoryWriteOutcome> settled(HistoryWriteOutcome outcome);

    TranslationRecorder& m_recorder;
    Clock& m_clock;
    const qsizetype m_capacity;
    std::deque<Entry> m_entries;
    // A write is under way or records wait for a retry: a new record queues behind them.
    bool m_busy = false;
    TaskHandle m_retries;
    // Set while the retries wait for the next try; a new record resolves it.
    std::optional<Signal> m_wake;
    // A record arrived while no retry was waiting: the next one comes without waiting.
    bool m_retryAtOnce = false;
};

// The cause a failed write reports: the history store's own, else `other`.
HistoryWriteCause historyWriteCauseOf(const std::exception& error);

} // namespace tolvane
