#pragma once

#include <QString>
#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

namespace tolvane {

// One prepared statement, finalized on every path. Every failure throws HistoryStoreError::sqlite with the
// connection's message, read before the statement is finalized. A null connection fails at prepare with
// "Unknown SQLite error.".
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Binds UTF-8 with its byte length, so U+0000 inside the text survives. Indexes start at 1.
    void bindText(int index, const QString& text);
    void bindDouble(int index, double value);
    void bindInt(int index, int value);

    // True for a row, false for SQLITE_DONE; any other result throws.
    bool step();
    // Steps a statement that returns no rows; anything but SQLITE_DONE throws.
    void run();

    // NULL reads as "".
    QString columnText(int index) const;
    double columnDouble(int index) const;
    int64_t columnInt64(int index) const;

    // The connection's current message, or "Unknown SQLite error.".
    static QString errorMessage(sqlite3* db);

private:
    [[noreturn]] void fail() const;
    void check(int result) const;

    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

} // namespace tolvane
