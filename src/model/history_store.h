#pragma once

#include "core/async/serial_worker.h"
#include "core/clock.h"
#include "model/ai_request.h"
#include "model/history_entry.h"
#include "model/history_store_error.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QString>
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
    // The stored result for the key, counting the hit and moving its time to now (a failure to count is
    // logged, the result still given); none when absent.
    QCoro::Task<std::optional<QString>> lookupMemory(QString cacheKey);
    // Newest first; every row without a limit. A limit below 0 reads as 0, one above 2^31-1 as 2^31-1.
    QCoro::Task<QList<HistoryEntry>> fetchHistory(std::optional<int64_t> limit = std::nullopt);
    // Deleting an id that does not exist succeeds.
    QCoro::Task<> deleteHistoryEntry(QString id);
    // Empties history, then memory; a failure of the first leaves the memory untouched.
    QCoro::Task<> clearAll();
    // Closes the connection after the queued operations; later operations throw "Unknown SQLite error.".
    QCoro::Task<> close();

    static QString memoryCacheKey(const QString& sourceText, const QString& targetLanguage,
                                  TranslationStyle style, const QList<GlossaryTerm>& glossaryTerms);

private:
    struct Connection;

    Clock& m_clock;
    std::shared_ptr<Connection> m_connection;
    // Declared last, so it is destroyed first: its queued jobs finish before the connection closes.
    std::unique_ptr<SerialWorker> m_worker;
};

} // namespace tolvane
