#include "model/history_store.h"

#include "core/logging.h"
#include "model/memory_cache_key.h"
#include "model/sqlite_statement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <limits>
#include <sqlite3.h>

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

} // namespace

// The connection, touched only by jobs on the worker thread (and by the destructor after the worker ended).
struct HistoryStore::Connection {
    QString path;
    bool openAttempted = false;
    sqlite3* db = nullptr;

    ~Connection() { closeDatabase(); }

    void closeDatabase() {
        if (db) {
            sqlite3_close_v2(db);
            db = nullptr;
        }
    }

    // Opens on the first job. A failure is logged and leaves no connection; a failing schema statement stops
    // the others but keeps the connection, whose later statements then report what is wrong.
    sqlite3* get() {
        if (openAttempted)
            return db;
        openAttempted = true;
        const QFileInfo file(path);
        if (!QDir().mkpath(file.absolutePath())) {
            qCWarning(lcHistory) << "Could not create the folder of the history database";
            return nullptr;
        }
        sqlite3* handle = nullptr;
        const int result = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (result != SQLITE_OK) {
            qCWarning(lcHistory).noquote()
                << HistoryStoreError::openFailed().description() << SqliteStatement::errorMessage(handle);
            sqlite3_close(handle); // a handle comes back even on failure
            return nullptr;
        }
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
        return db;
    }
};

HistoryStore::HistoryStore(Clock& clock, QString path)
    : m_clock(clock), m_connection(std::make_shared<Connection>()),
      m_worker(std::make_unique<SerialWorker>(QStringLiteral("HistoryStore"))) {
    const bool useDefault = path.isEmpty();
    m_connection->path = useDefault ? defaultPath() : std::move(path);
    if (useDefault) {
        // History is private text: the folder is the user's alone.
        const QString folder = QFileInfo(m_connection->path).absolutePath();
        if (QDir().mkpath(folder))
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

HistoryStore::~HistoryStore() = default;

QString HistoryStore::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tolvane/History.sqlite3");
}

QCoro::Task<> HistoryStore::upsertHistoryEntry(QString id, AIRequest request, QString resultText,
                                               QString provider, QDateTime timestamp) {
    return m_worker->run([connection = m_connection, id = std::move(id), request = std::move(request),
                          resultText = std::move(resultText), provider = std::move(provider),
                          seconds = toSeconds(timestamp)] {
        SqliteStatement statement(connection->get(), upsertHistorySql);
        statement.bindText(1, id);
        statement.bindText(2, request.sourceText);
        statement.bindText(3, resultText);
        statement.bindText(4, rawValue(AIAction::translate));
        statement.bindText(5, request.sourceLanguage);
        statement.bindText(6, request.targetLanguage);
        statement.bindText(7, provider);
        statement.bindDouble(8, seconds);
        statement.run();
    });
}

QCoro::Task<> HistoryStore::upsertMemoryEntry(AIRequest request, QString resultText, QDateTime timestamp) {
    return m_worker->run([connection = m_connection, request = std::move(request),
                          resultText = std::move(resultText), seconds = toSeconds(timestamp)] {
        const QString key =
            memoryCacheKey(request.sourceText, request.targetLanguage, request.style, request.glossaryTerms);
        SqliteStatement statement(connection->get(), upsertMemorySql);
        statement.bindText(1, key);
        statement.bindText(2, request.sourceText);
        statement.bindText(3, resultText);
        statement.bindText(4, rawValue(AIAction::translate));
        statement.bindText(5, request.targetLanguage);
        statement.bindDouble(6, seconds);
        statement.run();
    });
}

QCoro::Task<std::optional<QString>> HistoryStore::lookupMemory(QString cacheKey) {
    // "Now" is read here, on the main thread, where the injected clock lives.
    return m_worker->run([connection = m_connection, key = std::move(cacheKey),
                          now = toSeconds(m_clock.now())]() -> std::optional<QString> {
        sqlite3* db = connection->get();
        SqliteStatement select(db, "SELECT result_text FROM memory WHERE cache_key = ? LIMIT 1;");
        select.bindText(1, key);
        if (!select.step())
            return std::nullopt;
        QString result = select.columnText(0);
        SqliteStatement touch(
            db, "UPDATE memory SET hit_count = hit_count + 1, updated_at = ? WHERE cache_key = ?;");
        touch.bindDouble(1, now);
        touch.bindText(2, key);
        touch.run();
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
    return m_worker->run([connection = m_connection] {
        sqlite3* db = connection->get();
        SqliteStatement(db, "DELETE FROM history;").run();
        SqliteStatement(db, "DELETE FROM memory;").run();
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
