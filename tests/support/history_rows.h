#pragma once

#include "model/history_store.h"
#include "support/task_outcome.h"
#include "support/translation_request.h"

#include <QDateTime>
#include <QList>
#include <QUuid>

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

} // namespace tolvane::testing
