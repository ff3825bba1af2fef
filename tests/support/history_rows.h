#pragma once

#include "model/history_store.h"
#include "support/task_outcome.h"
#include "support/translation_request.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QUuid>
#include <optional>
#include <sqlite3.h>

namespace tolvane::testing {

struct HistoryRow {
    QString source;
    QString result;
    QString target = QStringLiteral("zh-Hans");
    QString provider = QStringLiteral("OpenAI 兼容");
};

// Writes the rows through the store, history and memory both, the first row newest; returns their ids in
// that order.
inline QStringList writeHistoryRows(HistoryStore& store, const QList<HistoryRow>& rows,
                                    QDateTime newest = QDateTime(QDate(2026, 3, 14), QTime(9, 26), Qt::UTC)) {
    QStringList ids;
    for (int i = 0; i < rows.size(); ++i) {
        const HistoryRow& row = rows.at(i);
        const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        const AIRequest request = translationRequest(row.source, row.target);
        const QDateTime at = newest.addSecs(-60 * i);
        await(store.upsertHistoryEntry(id, request, row.result, row.provider, at));
        await(store.upsertMemoryEntry(request, row.result, at));
        ids << id;
    }
    return ids;
}

// Rows of `table` in the database at `path` (only those whose source_text is `source` when given), read
// through a connection of the test's own; -1 when the file cannot be read.
inline qint64 storedRowCount(const QString& path, const char* table, std::optional<QString> source = {}) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    const QByteArray sql =
        QByteArray("SELECT COUNT(*) FROM ") + table + (source ? " WHERE source_text = ?;" : ";");
    sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr);
    const QByteArray text = source.value_or(QString()).toUtf8();
    if (source)
        sqlite3_bind_text(statement, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    const qint64 count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

} // namespace tolvane::testing
