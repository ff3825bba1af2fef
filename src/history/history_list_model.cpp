#include "history/history_list_model.h"

#include "model/language_table.h"

#include <QLocale>

namespace tolvane {

int HistoryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_visible.size());
}

QVariant HistoryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_visible.size())
        return {};
    const HistoryEntry& entry = visibleEntry(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return entry.sourceText;
    case Qt::AccessibleTextRole:
        return QStringList{dateText(entry), timeText(entry), entry.provider, entry.sourceText,
                           entry.resultText}
            .join(QLatin1Char('\n'));
    case EntryRole:
        return QVariant::fromValue(entry);
    default:
        return {};
    }
}

void HistoryListModel::setEntries(QList<HistoryEntry> entries) {
    beginResetModel();
    m_entries = std::move(entries);
    m_folded.clear();
    m_folded.reserve(m_entries.size());
    for (const HistoryEntry& entry : m_entries) {
        m_folded.append({entry.sourceText.toCaseFolded(), entry.resultText.toCaseFolded(),
                         entry.provider.toCaseFolded(),
                         displayNameForLanguageCode(entry.targetLanguage).toCaseFolded()});
    }
    refilter();
    endResetModel();
}

void HistoryListModel::removeEntry(const QString& id) {
    beginResetModel();
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i) {
        if (m_entries.at(i).id == id) {
            m_entries.removeAt(i);
            m_folded.removeAt(i);
        }
    }
    refilter();
    endResetModel();
}

void HistoryListModel::setSearchText(const QString& text) {
    const QString query = text.trimmed();
    if (query == m_query)
        return;
    beginResetModel();
    m_query = query;
    m_foldedQuery = query.toCaseFolded();
    refilter();
    endResetModel();
}

void HistoryListModel::refilter() {
    m_visible.clear();
    m_visible.reserve(m_entries.size());
    for (int i = 0; i < m_folded.size(); ++i) {
        const Folded& folded = m_folded.at(i);
        if (m_foldedQuery.isEmpty() || folded.source.contains(m_foldedQuery) ||
            folded.result.contains(m_foldedQuery) || folded.provider.contains(m_foldedQuery) ||
            folded.language.contains(m_foldedQuery))
            m_visible.append(i);
    }
}

QString HistoryListModel::dateText(const HistoryEntry& entry) {
    return QLocale().toString(entry.createdAt.toLocalTime().date(), QLocale::ShortFormat);
}

QString HistoryListModel::timeText(const HistoryEntry& entry) {
    return QLocale().toString(entry.createdAt.toLocalTime().time(), QLocale::ShortFormat);
}

} // namespace tolvane
