#pragma once

#include "model/history_entry.h"

#include <QAbstractListModel>
#include <QList>
#include <QString>

namespace tolvane {

// Every loaded history entry (newest first) and the ones the search lets through, in the same order. An
// entry passes when its source, result, provider or target language's display name contains the trimmed
// query, compared by Unicode case folding; the fields are folded once, when the entries are set.
class HistoryListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { EntryRole = Qt::UserRole + 1 };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    // DisplayRole: the source text; AccessibleTextRole: date, time, provider and both texts; EntryRole:
    // the HistoryEntry.
    QVariant data(const QModelIndex& index, int role) const override;

    void setEntries(QList<HistoryEntry> entries);
    // Removes every entry with this id, keeping the order of the rest.
    void removeEntry(const QString& id);
    void setSearchText(const QString& text);

    const QList<HistoryEntry>& entries() const { return m_entries; }
    const HistoryEntry& visibleEntry(int row) const { return m_entries.at(m_visible.at(row)); }
    // The search text trimmed of white space and line breaks.
    const QString& query() const { return m_query; }

    // The entry's date and time in the locale's short formats, in local time.
    static QString dateText(const HistoryEntry& entry);
    static QString timeText(const HistoryEntry& entry);

private:
    struct Folded {
        QString source;
        QString result;
        QString provider;
        QString language;
    };
    void refilter();

    QList<HistoryEntry> m_entries;
    QList<Folded> m_folded;
    QList<int> m_visible;
    QString m_query;
    QString m_foldedQuery;
};

} // namespace tolvane
