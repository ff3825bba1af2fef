#include "model/sqlite_statement.h"

#include "model/history_store_error.h"

#include <sqlite3.h>

namespace tolvane {

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) : m_db(db) {
    if (!db)
        throw HistoryStoreError::sqlite(HistoryStoreError::unknownMessage(), 0);
    if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        const QString message = errorMessage(db);
        const int code = sqlite3_extended_errcode(db);
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        throw HistoryStoreError::sqlite(message, code);
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_statement);
}

void SqliteStatement::bindText(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    check(sqlite3_bind_text64(m_statement, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                              SQLITE_TRANSIENT, SQLITE_UTF8));
}

void SqliteStatement::bindDouble(int index, double value) {
    check(sqlite3_bind_double(m_statement, index, value));
}

void SqliteStatement::bindInt(int index, int value) {
    check(sqlite3_bind_int(m_statement, index, value));
}

bool SqliteStatement::step() {
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE)
        return false;
    fail();
}

void SqliteStatement::run() {
    if (sqlite3_step(m_statement) != SQLITE_DONE)
        fail();
}

QString SqliteStatement::columnText(int index) const {
    // Text first, then its byte count: the count refers to the UTF-8 form the text call produced.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, index));
    const int bytes = sqlite3_column_bytes(m_statement, index);
    return text ? QString::fromUtf8(text, bytes) : QString();
}

double SqliteStatement::columnDouble(int index) const {
    return sqlite3_column_double(m_statement, index);
}

int64_t SqliteStatement::columnInt64(int index) const {
    return sqlite3_column_int64(m_statement, index);
}

QString SqliteStatement::errorMessage(sqlite3* db) {
    const char* message = db ? sqlite3_errmsg(db) : nullptr;
    if (!message || !*message)
        return HistoryStoreError::unknownMessage();
    return QString::fromUtf8(message);
}

void SqliteStatement::fail() const {
    throw HistoryStoreError::sqlite(errorMessage(m_db), sqlite3_extended_errcode(m_db));
}

void SqliteStatement::check(int result) const {
    if (result != SQLITE_OK)
        fail();
}

} // namespace tolvane
