#pragma once

#include "core/async/serial_worker.h"
#include "core/clock.h"
#include "model/ai_request.h"
#include "model/history_entry.h"
#include "model/history_store_error.h"
#include "model/translation_record.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace tolvane {

// The translation history and the translation memory in one SQLite file (tables `history` and `memory`).
// Every statement runs on the store's own worker thread, one operation at a time; callers await the result
// on the main thread. Operations throw HistoryStoreError. The database runs in write-ahead-log mode, so
// whatever was committed survives the process being killed.
//
// The file is opened by the first operation. Its folder is made private (0700, so give the store a folder of
// its own) and the database with its -wal and -shm files are 0600 whatever the umask. A file SQLite finds
// damaged (or not a database), a table of another shape, or a folder in the file's place is renamed to
// "History.sqlite3.corrupt-<UTC time>" with its companion files, and a new database is started; nothing is
// deleted.
//
// A clear covers every translation made before it was asked for, those not yet written included: a record
// made earlier is no longer written once the clear has run. Translations waiting to be written are kept
// beside the database (UnwrittenTranslations) from the moment they first wait, the file rewritten whenever
// that list changes, so they survive however the process ends; the next open writes them into the
// database, oldest first and each once, before any other record.
class HistoryStore {
public:
    // Opens `path`, or the default location when empty, creating its folder. Never fails: a database that
    // cannot be opened makes every operation throw "Unknown SQLite error.". The clock's time at creation
    // names a damaged file set aside.
    explicit HistoryStore(Clock& clock, QString path = {});
    // Waits for queued operations, then closes the connection.
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // How long a statement waits for a lock another connection holds on the file before it fails.
    static constexpr int kBusyTimeoutMs = 2000;

    // $XDG_DATA_HOME/Tolvane/History.sqlite3 (~/.local/share/Tolvane/History.sqlite3).
    static QString defaultPath();

    // Where a damaged database was moved when the store opened its file; given once, then none. Any thread.
    std::optional<QString> takeSetAsidePath();

    // Inserts or replaces the row with this id, every column included (it moves to the top of the list).
    QCoro::Task<> upsertHistoryEntry(QString id, AIRequest request, QString resultText, QString provider,
                                     QDateTime timestamp);
    // Inserts or replaces the memory row of the request's key; an existing row keeps its hit count.
    QCoro::Task<> upsertMemoryEntry(AIRequest request, QString resultText, QDateTime timestamp);
    // The record's history row and then, when asked, its memory row, in one turn of the worker so no clear
    // comes between them. Translations kept from the last run are written first. A memory row that cannot
    // be written is logged and skipped (the history row is the record); a history row that cannot be
    // written throws. False, writing nothing, when a clear asked for after the record was made has run.
    // Either way a kept waiting record comes off the file in the same turn.
    QCoro::Task<bool> recordTranslation(TranslationRecord record);
    // The records now waiting to be written, oldest first, in place of those given before: kept on disk
    // behind any kept by the last run until each is written (recordTranslation takes it off) or a clear
    // covers it. True when the file holds every one of them; false (and a warning) when it could not be
    // written, the file keeping what it held.
    QCoro::Task<bool> keepWaiting(QList<TranslationRecord> records);
    // At quit: the same for the records not yet written, after the operations already queued. Nobody awaits
    // it; it runs before the store closes.
    void keepUnwritten(QList<TranslationRecord> records);
    // How many clears were asked for so far; a record made now carries it as `clearsBefore`.
    uint64_t clearsRequested() const { return m_clearsRequested; }
    // The stored result for the key, counting the hit and moving its time to now (a failure to count is
    // logged, the result still given); none when absent.
    QCoro::Task<std::optional<QString>> lookupMemory(QString cacheKey);
    // Newest first; every row without a limit. A limit below 0 reads as 0, one above 2^31-1 as 2^31-1.
    QCoro::Task<QList<HistoryEntry>> fetchHistory(std::optional<int64_t> limit = std::nullopt);
    // Deleting an id that does not exist succeeds.
    QCoro::Task<> deleteHistoryEntry(QString id);
    // Empties history and memory together (a failure changes neither) and forgets the translations kept from
    // the last run; see above for records not yet written.
    QCoro::Task<> clearAll();
    // Closes the connection after the queued operations; later operations throw "Unknown SQLite error.".
    QCoro::Task<> close();

    static QString memoryCacheKey(const QString& sourceText, const QString& targetLanguage,
                                  TranslationStyle style, const QList<GlossaryTerm>& glossaryTerms);

private:
    struct Connection;

    Clock& m_clock;
    uint64_t m_clearsRequested = 0;
    std::shared_ptr<Connection> m_connection;
    // Declared last, so it is destroyed first: its queued jobs finish before the connection closes.
    std::unique_ptr<SerialWorker> m_worker;
};

} // namespace tolvane
