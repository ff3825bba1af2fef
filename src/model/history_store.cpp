#include "model/history_store.h"

#include "core/logging.h"
#include "model/memory_cache_key.h"
#include "model/sqlite_statement.h"
#include "model/unwritten_translations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tolvane {

namespace {

const char* const schemaStatements[] = {
    "CREATE TABLE IF NOT EXISTS history (\n"
    "    id TEXT PRIMARY KEY,\n"
    "    source_text TEXT NOT NULL,\n"
    "    result_text TEXT NOT NULL,\n"
    "    action TEXT NOT NULL,\n"
    "    source_lang TEXT NOT NULL,\n"
    "    target_lang TEXT NOT NULL,\n"
    "    provider TEXT NOT NULL,\n"
    "    created_at REAL NOT NULL\n"
    ");",
    "CREATE TABLE IF NOT EXISTS memory (\n"
    "    cache_key TEXT PRIMARY KEY,\n"
    "    source_text TEXT NOT NULL,\n"
    "    result_text TEXT NOT NULL,\n"
    "    action TEXT NOT NULL,\n"
    "    target_lang TEXT NOT NULL,\n"
    "    hit_count INTEGER NOT NULL DEFAULT 0,\n"
    "    updated_at REAL NOT NULL\n"
    ");",
    "CREATE INDEX IF NOT EXISTS history_created_at_idx ON history(created_at DESC);",
};

const char* const upsertHistorySql =
    "INSERT INTO history\n"
    "(id, source_text, result_text, action, source_lang, target_lang, provider, "
    "created_at)\n"
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?)\n"
    "ON CONFLICT(id) DO UPDATE SET\n"
    "    source_text = excluded.source_text,\n"
    "    result_text = excluded.result_text,\n"
    "    action = excluded.action,\n"
    "    source_lang = excluded.source_lang,\n"
    "    target_lang = excluded.target_lang,\n"
    "    provider = excluded.provider,\n"
    "    created_at = excluded.created_at;";

const char* const upsertMemorySql = "INSERT INTO memory\n"
                                    "(cache_key, source_text, result_text, action, target_lang, hit_count, "
                                    "updated_at)\n"
                                    "VALUES (?, ?, ?, ?, ?, 0, ?)\n"
                                    "ON CONFLICT(cache_key) DO UPDATE SET\n"
                                    "    source_text = excluded.source_text,\n"
                                    "    result_text = excluded.result_text,\n"
                                    "    action = excluded.action,\n"
                                    "    target_lang = excluded.target_lang,\n"
                                    "    updated_at = excluded.updated_at;";

const char* const fetchAllSql =
    "SELECT id, source_text, result_text, action, source_lang, target_lang, provider, "
    "created_at\nFROM history\nORDER BY created_at DESC;";
const char* const fetchLimitedSql = "SELECT id, source_text, result_text, action, source_lang, target_lang, "
                                    "provider, created_at\nFROM history\nORDER BY created_at DESC LIMIT ?;";

// Seconds since 1970 with millisecond precision, so what was written reads back equal.
double toSeconds(const QDateTime& time) {
    return static_cast<double>(time.toMSecsSinceEpoch()) / 1000.0;
}
QDateTime fromSeconds(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(qRound64(seconds * 1000.0), Qt::UTC);
}

// Suffixes of the files SQLite keeps beside a database.
const char* const companionSuffixes[] = {"-wal", "-shm", "-journal"};

// Every statement the store runs, compiled against the opened file: a table of the same name but another
// shape (missing columns, no key to upsert on) fails here instead of at every later write.
const char* const compiledStatements[] = {
    upsertHistorySql,
    upsertMemorySql,
    fetchAllSql,
    fetchLimitedSql,
    "SELECT result_text FROM memory WHERE cache_key = ? LIMIT 1;",
    "UPDATE memory SET hit_count = hit_count + 1, updated_at = ? WHERE cache_key = ?;",
    "DELETE FROM history WHERE id = ?;",
    "DELETE FROM memory;",
};

bool isDamageCode(int code) {
    const int primary = code & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// What is wrong with the opened file, or nothing when the store can use it. Only damage and a foreign
// schema count: a busy or read-only file is left to fail the operations with SQLite's own words. Nothing is
// written: the schema is tried inside a transaction that is rolled back.
std::optional<QString> damageOf(sqlite3* db) {
    sqlite3_stmt* check = nullptr;
    int result = sqlite3_prepare_v2(db, "PRAGMA quick_check;", -1, &check, nullptr);
    QString problem;
    if (result == SQLITE_OK) {
        result = sqlite3_step(check);
        if (result == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
            if (qstrcmp(text, "ok") != 0)
                problem = QString::fromUtf8(text);
            result = SQLITE_OK;
        }
    }
    const QString message = SqliteStatement::errorMessage(db);
    sqlite3_finalize(check);
    if (!problem.isEmpty())
        return problem;
    if (isDamageCode(result))
        return message;
    if (result != SQLITE_OK || sqlite3_exec(db, "BEGIN;", nullptr, nullptr, nullptr) != SQLITE_OK)
        return std::nullopt;

    // With what is missing created, every statement of the store must compile.
    std::optional<QString> foreign;
    for (const char* sql : schemaStatements) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            const int code = sqlite3_errcode(db);
            if (isDamageCode(code) || code == SQLITE_ERROR)
                foreign = SqliteStatement::errorMessage(db);
            sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
            return foreign;
        }
    }
    for (const char* sql : compiledStatements) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK && !foreign)
            foreign = SqliteStatement::errorMessage(db);
        sqlite3_finalize(statement);
    }
    sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
    return foreign;
}

void keepWriteAheadLogOnClose(sqlite3* db, bool keep) {
    int flag = keep ? 1 : 0;
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, flag, nullptr);
    sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &flag);
}

// Takes every permission outside `ownerBits` away from the path (whatever the umask gave it); grants
// nothing. True when the path is absent or now private.
bool makePrivate(const QString& path, mode_t ownerBits) {
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::stat(name.constData(), &status) != 0)
        return errno == ENOENT;
    const mode_t mode = status.st_mode & 07777;
    return (mode & ~ownerBits) == 0 || ::chmod(name.constData(), mode & ownerBits) == 0;
}

constexpr mode_t ownerFile = 0600;
constexpr mode_t ownerFolder = 0700;

void writeHistoryRow(sqlite3* db, const QString& id, const AIRequest& request, const QString& resultText,
                     const QString& provider, double seconds) {
    SqliteStatement statement(db, upsertHistorySql);
    statement.bindText(1, id);
    statement.bindText(2, request.sourceText);
    statement.bindText(3, resultText);
    statement.bindText(4, rawValue(AIAction::translate));
    statement.bindText(5, request.sourceLanguage);
    statement.bindText(6, request.targetLanguage);
    statement.bindText(7, provider);
    statement.bindDouble(8, seconds);
    statement.run();
}

void writeMemoryRow(sqlite3* db, const AIRequest& request, const QString& resultText, double seconds) {
    const QString key = HistoryStore::memoryCacheKey(request.sourceText, request.targetLanguage,
                                                     request.style, request.glossaryTerms);
    SqliteStatement statement(db, upsertMemorySql);
    statement.bindText(1, key);
    statement.bindText(2, request.sourceText);
    statement.bindText(3, resultText);
    statement.bindText(4, rawValue(AIAction::translate));
    statement.bindText(5, request.targetLanguage);
    statement.bindDouble(6, seconds);
    statement.run();
}

// Whether the history already has this record's row as written at its time or later: a record kept from
// the last run whose row is there was written before that run ended (the file beside the database is
// rewritten after each write, so a process ending between the two leaves it listed), and writing it again
// would put an older text back over a newer one.
bool historyRowIsAtOrAfter(sqlite3* db, const TranslationRecord& record) {
    SqliteStatement statement(db, "SELECT 1 FROM history WHERE id = ? AND created_at >= ?;");
    statement.bindText(1, record.historyEntryId);
    statement.bindDouble(2, toSeconds(record.timestamp));
    return statement.step();
}

// One record's identity within the kept list: its row's id and its time.
bool sameRecord(const TranslationRecord& a, const TranslationRecord& b) {
    return a.historyEntryId == b.historyEntryId && a.timestamp == b.timestamp;
}
bool sameRecords(const QList<TranslationRecord>& a, const QList<TranslationRecord>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameRecord);
}

// The history row, then (when asked) the memory row; only the history row's failure throws.
void writeRecord(sqlite3* db, const TranslationRecord& record) {
    const double seconds = toSeconds(record.timestamp);
    writeHistoryRow(db, record.historyEntryId, record.request, record.resultText, record.provider, seconds);
    if (!record.writeMemory)
        return;
    try {
        writeMemoryRow(db, record.request, record.resultText, seconds);
    } catch (const HistoryStoreError& error) {
        qCWarning(lcHistory).noquote() << "Could not remember the translation:" << error.description();
    }
}

} // namespace

// The connection, touched only by jobs on the worker thread (and by the destructor after the worker ended).
struct HistoryStore::Connection {
    QString path;
    // Names a damaged file set aside; read on the main thread when the store is created.
    QString damagedSuffix;
    bool openAttempted = false;
    sqlite3* db = nullptr;

    std::mutex setAsideMutex;
    std::optional<QString> setAsidePath;

    // The number of the last clear that ran; records made before it are not written.
    uint64_t clearedThrough = 0;
    // The file beside the database keeps `earlier` and then `waiting`, so a translation that waits for the
    // history survives however the process ends.
    std::optional<UnwrittenTranslations> unwritten;
    // Records kept by an earlier run and not yet written, oldest first; read from the file once.
    QList<TranslationRecord> earlier;
    bool earlierRead = false;
    // This run's records waiting for the history, oldest first, as last handed over, less those written
    // since.
    QList<TranslationRecord> waiting;
    // Whether the file holds exactly `earlier` and then `waiting`.
    bool fileCurrent = true;
    // The last record this run wrote: at quit the queue hands over the record whose write it has not heard
    // the end of, and one already written is not kept again.
    std::optional<TranslationRecord> lastWritten;

    ~Connection() { closeDatabase(); }

    void readEarlier() {
        if (std::exchange(earlierRead, true))
            return;
        earlier = unwritten->load();
    }

    // Rewrites the file (removes it when nothing is left); false when it could not be written, in which case
    // it keeps what it held.
    bool saveKept() {
        // Never over records of the last run not read yet.
        readEarlier();
        fileCurrent = unwritten->save(earlier + waiting);
        return fileCurrent;
    }

    // Writes the translations kept from the last run, oldest first, each once (a row already there is left
    // as it is), and takes each written one off the file. Throws when one cannot be written; the rest stay.
    void writeEarlier() {
        readEarlier();
        if (earlier.isEmpty())
            return;
        qsizetype done = 0;
        qsizetype alreadyThere = 0;
        try {
            for (const TranslationRecord& record : std::as_const(earlier)) {
                if (historyRowIsAtOrAfter(db, record))
                    ++alreadyThere;
                else
                    writeRecord(db, record);
                ++done;
            }
        } catch (const HistoryStoreError&) {
            earlier.remove(0, done);
            if (done > 0)
                saveKept();
            throw;
        }
        earlier.clear();
        saveKept();
        qCInfo(lcHistory).noquote()
            << QStringLiteral("%1 translation(s) kept from the last run were written to the history%2")
                   .arg(done - alreadyThere)
                   .arg(alreadyThere ? QStringLiteral(" (%1 already there)").arg(alreadyThere) : QString());
    }

    // Takes a record that was written or will never be off the waiting list.
    void settleWaiting(const TranslationRecord& record) {
        const auto found = std::find_if(waiting.begin(), waiting.end(), [&](const TranslationRecord& kept) {
            return sameRecord(kept, record);
        });
        if (found == waiting.end() && fileCurrent)
            return;
        if (found != waiting.end())
            waiting.erase(found);
        saveKept();
    }

    // Replaces the waiting list with `records` (less those a clear covers and the one already written) and
    // keeps the file current; true when the file holds every one of them.
    bool keepWaiting(const QList<TranslationRecord>& records) {
        readEarlier();
        QList<TranslationRecord> kept;
        for (const TranslationRecord& record : records) {
            if (!coveredByClear(record) && !(lastWritten && sameRecord(*lastWritten, record)))
                kept << record;
        }
        if (sameRecords(kept, waiting) && fileCurrent)
            return true;
        waiting = std::move(kept);
        if (!saveKept())
            return false;
        if (!waiting.isEmpty())
            qCInfo(lcHistory).noquote()
                << QStringLiteral("%1 translation(s) waiting for the history are kept in %2 until written")
                       .arg(waiting.size())
                       .arg(unwritten->path());
        return true;
    }

    bool coveredByClear(const TranslationRecord& record) const {
        return record.clearsBefore < clearedThrough;
    }

    void closeDatabase() {
        if (db) {
            sqlite3_close_v2(db);
            db = nullptr;
        }
    }

    // Opens on the first job. A damaged file, or one whose tables have another shape, is moved aside with its
    // companions and a new database is started in its place; nothing is deleted. Any other failure is logged
    // and leaves no connection, or (a failing schema statement) a connection whose later statements report
    // what is wrong.
    sqlite3* get() {
        if (openAttempted)
            return db;
        openAttempted = true;
        const QFileInfo file(path);
        // History is private text: the folder (which also holds the write-ahead log) is the user's alone.
        if (!QDir().mkpath(file.absolutePath())) {
            qCWarning(lcHistory) << "Could not create the folder of the history database";
            return nullptr;
        }
        if (!makePrivate(file.absolutePath(), ownerFolder))
            qCWarning(lcHistory) << "Could not make the folder of the history database private";
        if (file.exists() && !file.isFile() && !setAside(QStringLiteral("not a file")))
            return nullptr;
        sqlite3* handle = openFile();
        if (!handle)
            return nullptr;
        // While the file is checked, closing must neither fold the write-ahead log into it nor delete the
        // log: a damaged file is set aside with its log as they were.
        keepWriteAheadLogOnClose(handle, true);
        if (const std::optional<QString> damage = damageOf(handle)) {
            sqlite3_close_v2(handle);
            if (!setAside(*damage) || !(handle = openFile()))
                return nullptr;
        }
        keepWriteAheadLogOnClose(handle, false);
        db = handle;
        // Write-ahead log with NORMAL sync: a commit is one append and needs no fsync, and whatever was
        // committed survives the process being killed (a power loss may undo the last commits, never
        // corrupt).
        sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
        try {
            for (const char* sql : schemaStatements)
                SqliteStatement(db, sql).run();
        } catch (const HistoryStoreError& error) {
            qCWarning(lcHistory).noquote()
                << "Could not prepare the history database:" << error.description();
        }
        try {
            writeEarlier();
        } catch (const HistoryStoreError& error) {
            // Tried again before the next record is written.
            qCWarning(lcHistory).noquote()
                << "Could not yet write the translations kept from the last run:" << error.description();
        }
        return db;
    }

    // Opens (creating) the file with owner-only modes; SQLite gives its -wal and -shm files the database's
    // mode.
    sqlite3* openFile() {
        const QByteArray name = QFile::encodeName(path);
        const int created = ::open(name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        if (created >= 0)
            ::close(created);
        for (const char* suffix : companionSuffixes)
            makePrivate(path + QLatin1String(suffix), ownerFile);
        if (!makePrivate(path, ownerFile))
            qCWarning(lcHistory) << "Could not make the history database private";

        sqlite3* handle = nullptr;
        const int result =
            sqlite3_open_v2(name.constData(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (result != SQLITE_OK) {
            qCWarning(lcHistory).noquote()
                << HistoryStoreError::openFailed().description() << SqliteStatement::errorMessage(handle);
            sqlite3_close(handle); // a handle comes back even on failure
            return nullptr;
        }
        // Another program writing to the file holds its lock for a moment; wait that long rather than fail.
        sqlite3_busy_timeout(handle, HistoryStore::kBusyTimeoutMs);
        return handle;
    }

    // Renames the database (file or whatever stands at its path) and its companions to
    // "<name>.corrupt-<time>[-n]". False when the database itself could not be moved.
    bool setAside(const QString& reason) {
        QString target = path + QStringLiteral(".corrupt-") + damagedSuffix;
        for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
            target = path + QStringLiteral(".corrupt-%1-%2").arg(damagedSuffix).arg(n);
        if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0) {
            const int error = errno;
            qCWarning(lcHistory).noquote()
                << QStringLiteral("The history database is damaged (%1) and could not be moved aside: %2")
                       .arg(reason, qt_error_string(error));
            return false;
        }
        for (const char* suffix : companionSuffixes) {
            const QString companion = path + QLatin1String(suffix);
            if (QFileInfo::exists(companion))
                ::rename(QFile::encodeName(companion).constData(),
                         QFile::encodeName(target + QLatin1String(suffix)).constData());
        }
        qCWarning(lcHistory).noquote()
            << QStringLiteral(
                   "The history database was damaged (%1); it was moved to %2 and a new one was started")
                   .arg(reason, target);
        const std::lock_guard lock(setAsideMutex);
        setAsidePath = target;
        return true;
    }
};

HistoryStore::HistoryStore(Clock& clock, QString path)
    : m_clock(clock), m_connection(std::make_shared<Connection>()),
      m_worker(std::make_unique<SerialWorker>(QStringLiteral("HistoryStore"))) {
    m_connection->path = path.isEmpty() ? defaultPath() : std::move(path);
    m_connection->unwritten.emplace(m_connection->path);
    m_connection->damagedSuffix = clock.now().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
}

HistoryStore::~HistoryStore() = default;

std::optional<QString> HistoryStore::takeSetAsidePath() {
    const std::lock_guard lock(m_connection->setAsideMutex);
    return std::exchange(m_connection->setAsidePath, std::nullopt);
}

QString HistoryStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tolvane/History.sqlite3");
}

QCoro::Task<> HistoryStore::upsertHistoryEntry(QString id, AIRequest request, QString resultText,
                                               QString provider, QDateTime timestamp) {
    return m_worker->run([connection = m_connection, id = std::move(id), request = std::move(request),
                          resultText = std::move(resultText), provider = std::move(provider),
                          seconds = toSeconds(timestamp)] {
        writeHistoryRow(connection->get(), id, request, resultText, provider, seconds);
    });
}

QCoro::Task<> HistoryStore::upsertMemoryEntry(AIRequest request, QString resultText, QDateTime timestamp) {
    return m_worker->run([connection = m_connection, request = std::move(request),
                          resultText = std::move(resultText), seconds = toSeconds(timestamp)] {
        writeMemoryRow(connection->get(), request, resultText, seconds);
    });
}

QCoro::Task<bool> HistoryStore::recordTranslation(TranslationRecord record) {
    return m_worker->run([connection = m_connection, record = std::move(record)] {
        sqlite3* db = connection->get();
        if (connection->coveredByClear(record)) {
            connection->settleWaiting(record);
            return false;
        }
        // Older than this record, so written before it.
        connection->writeEarlier();
        writeRecord(db, record);
        connection->lastWritten = record;
        connection->settleWaiting(record);
        return true;
    });
}

QCoro::Task<bool> HistoryStore::keepWaiting(QList<TranslationRecord> records) {
    return m_worker->run([connection = m_connection, records = std::move(records)] {
        return connection->keepWaiting(records);
    });
}

void HistoryStore::keepUnwritten(QList<TranslationRecord> records) {
    m_worker->post([connection = m_connection, records = std::move(records)] {
        const bool kept = connection->keepWaiting(records);
        if (connection->waiting.isEmpty())
            return;
        if (kept)
            qCInfo(lcHistory).noquote()
                << QStringLiteral("%1 translation(s) not yet in the history are kept for the next start")
                       .arg(connection->waiting.size());
        else
            qCWarning(lcHistory).noquote()
                << QStringLiteral(
                       "Could not keep %1 translation(s) not yet in the history for the next start")
                       .arg(connection->waiting.size());
    });
}

QCoro::Task<std::optional<QString>> HistoryStore::lookupMemory(QString cacheKey) {
    // "Now" is read here, on the main thread, where the injected clock lives.
    return m_worker->run([connection = m_connection, key = std::move(cacheKey),
                          now = toSeconds(m_clock.now())]() -> std::optional<QString> {
        sqlite3* db = connection->get();
        QString result;
        {
            // Finished before the write, so the write waits for another writer's lock like any other.
            SqliteStatement select(db, "SELECT result_text FROM memory WHERE cache_key = ? LIMIT 1;");
            select.bindText(1, key);
            if (!select.step())
                return std::nullopt;
            result = select.columnText(0);
        }
        // The hit count is bookkeeping: a file another program keeps locked for writing still answers.
        try {
            SqliteStatement touch(
                db, "UPDATE memory SET hit_count = hit_count + 1, updated_at = ? WHERE cache_key = ?;");
            touch.bindDouble(1, now);
            touch.bindText(2, key);
            touch.run();
        } catch (const HistoryStoreError& error) {
            qCWarning(lcHistory).noquote() << "Could not count a memory hit:" << error.description();
        }
        return result;
    });
}

QCoro::Task<QList<HistoryEntry>> HistoryStore::fetchHistory(std::optional<int64_t> limit) {
    return m_worker->run([connection = m_connection, limit] {
        SqliteStatement statement(connection->get(), limit ? fetchLimitedSql : fetchAllSql);
        if (limit) {
            const int64_t clamped = std::clamp<int64_t>(*limit, 0, std::numeric_limits<int32_t>::max());
            statement.bindInt(1, static_cast<int>(clamped));
        }
        QList<HistoryEntry> entries;
        // Ends only on SQLITE_DONE; a failing step throws instead of returning a short list.
        while (statement.step()) {
            HistoryEntry entry;
            entry.id = statement.columnText(0);
            entry.sourceText = statement.columnText(1);
            entry.resultText = statement.columnText(2);
            entry.action = AIAction::translate;
            entry.sourceLanguage = statement.columnText(4);
            entry.targetLanguage = statement.columnText(5);
            entry.provider = statement.columnText(6);
            entry.createdAt = fromSeconds(statement.columnDouble(7));
            entries.append(std::move(entry));
        }
        return entries;
    });
}

QCoro::Task<> HistoryStore::deleteHistoryEntry(QString id) {
    return m_worker->run([connection = m_connection, id = std::move(id)] {
        SqliteStatement statement(connection->get(), "DELETE FROM history WHERE id = ?;");
        statement.bindText(1, id);
        statement.run();
    });
}

QCoro::Task<> HistoryStore::clearAll() {
    // Numbered when asked for: a translation made from now on is not covered by this clear.
    const uint64_t clear = ++m_clearsRequested;
    return m_worker->run([connection = m_connection, clear] {
        sqlite3* db = connection->get();
        SqliteStatement(db, "BEGIN IMMEDIATE;").run();
        try {
            SqliteStatement(db, "DELETE FROM history;").run();
            SqliteStatement(db, "DELETE FROM memory;").run();
            SqliteStatement(db, "COMMIT;").run();
        } catch (const HistoryStoreError&) {
            sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
            throw;
        }
        connection->clearedThrough = std::max(connection->clearedThrough, clear);
        // The kept records the clear covers go too: those of the last run and every waiting one made before
        // it.
        connection->readEarlier();
        connection->earlier.clear();
        connection->waiting.removeIf(
            [&](const TranslationRecord& record) { return connection->coveredByClear(record); });
        connection->saveKept();
    });
}

QCoro::Task<> HistoryStore::close() {
    return m_worker->run([connection = m_connection] {
        connection->openAttempted = true;
        connection->closeDatabase();
    });
}

QString HistoryStore::memoryCacheKey(const QString& sourceText, const QString& targetLanguage,
                                     TranslationStyle style, const QList<GlossaryTerm>& glossaryTerms) {
    return tolvane::memoryCacheKey(sourceText, targetLanguage, style, glossaryTerms);
}

} // namespace tolvane
