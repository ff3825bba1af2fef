#pragma once

#include "history/history_row_layout.h"

#include <QAccessible>
#include <QHash>
#include <QListView>

namespace tolvane {

class HistoryListModel;
class HistoryRowDelegate;

// The history window's list: one row selected at a time and driven from the keyboard (Up/Down select,
// Return translates the row again, Ctrl+C copies its translation, Ctrl+Shift+C its original, Delete asks to
// delete it). Assistive technologies see each row, named by its source and translation, with the four row
// actions as its children.
class HistoryListView final : public QListView {
    Q_OBJECT

public:
    HistoryListView(HistoryListModel* model, QWidget* parent);
    ~HistoryListView() override;

    HistoryListModel& historyModel() const { return *m_model; }
    HistoryRowDelegate& rowDelegate() const;
    // The row's accessible interface, made on first use and dropped when the rows change.
    QAccessibleInterface* accessibleRow(int row) const;
    // Runs a row action for `row` (a key, or an assistive technology's action).
    void requestAction(HistoryRowAction action, int row);
    void reset() override;

Q_SIGNALS:
    void actionRequested(tolvane::HistoryRowAction action, const tolvane::HistoryEntry& entry);
    void deleteKeyPressed(const tolvane::HistoryEntry& entry);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void dropAccessibleRows();

    HistoryListModel* m_model;
    mutable QHash<int, QAccessible::Id> m_accessibleRows;
};

} // namespace tolvane
