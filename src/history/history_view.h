#pragma once

#include "core/async/cancellation.h"
#include "history/history_list_view.h"
#include "history/history_row_layout.h"
#include "ui/history_content_context.h"

#include <QPersistentModelIndex>
#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QStackedWidget;
class QToolButton;

namespace tolvane {

class HistoryListModel;
class HistoryRowDelegate;

// The history window's content: a header with the title, the search field, refresh and clear, and below it
// either the list of matching entries (under the reason the last change failed, if it did) or the empty state
// (the error, the no-match text or the no-history text under a clock). It loads every entry when built. Store
// results reach this view only while it exists; deletes and clears run under the context's task owner, so
// they finish even when the view goes first.
class HistoryView final : public QWidget {
    Q_OBJECT

public:
    HistoryView(const HistoryContentContext& context, QWidget* parent);
    ~HistoryView() override;

    static HistoryContentFactory factory();

    // Loads every entry again (the refresh button).
    void reload();
    void deleteEntry(const HistoryEntry& entry);
    void clearAll();

    HistoryListModel& model() const { return *m_model; }
    const QString& errorMessage() const { return m_errorMessage; }
    QLineEdit* searchField() const { return m_search; }
    QToolButton* refreshButton() const { return m_refresh; }
    QToolButton* clearButton() const { return m_clear; }
    HistoryListView* listView() const { return m_list; }
    // The empty state's text; shown while no entry matches.
    QLabel* emptyMessage() const { return m_emptyMessage; }
    // Above the list: why the last load, delete or clear failed while entries are listed.
    QLabel* notice() const { return m_notice; }
    bool isShowingList() const;
    // The interactive row open over `row`, opening it first; null for a row that does not exist.
    QWidget* rowWidget(int row);

Q_SIGNALS:
    // A load finished, successfully or not.
    void loaded();
    // A delete or clear finished, successfully or not.
    void changeFinished();

private:
    static QCoro::Task<> loadBody(QPointer<HistoryView> view, HistoryStore* store, CancellationToken token);
    static QCoro::Task<> deleteBody(QPointer<HistoryView> view, HistoryStore* store, QString id,
                                    CancellationToken token);
    static QCoro::Task<> clearBody(QPointer<HistoryView> view, HistoryStore* store,
                                   QPointer<HistoryEvents> events, CancellationToken token);

    void runAction(HistoryRowAction action, const HistoryEntry& entry);
    // The Delete key asks first: unlike the row's own button it is pressed easily by mistake.
    void confirmDelete(const HistoryEntry& entry);
    // Takes the row off the list after its deletion, the current row kept in place.
    void removeRow(const QString& id);
    // Draws the open rows' selection and focus as the delegate draws the others'.
    void refreshHighlights();
    void setError(QString message);
    void refreshState();
    void openRowEditor(const QModelIndex& index);
    bool eventFilter(QObject* watched, QEvent* event) override;

    HistoryContentContext m_context;
    HistoryListModel* m_model;
    HistoryRowDelegate* m_delegate = nullptr;
    QString m_errorMessage;
    QLineEdit* m_search = nullptr;
    QToolButton* m_refresh = nullptr;
    QToolButton* m_clear = nullptr;
    QStackedWidget* m_content = nullptr;
    HistoryListView* m_list = nullptr;
    QLabel* m_emptyMessage = nullptr;
    QLabel* m_notice = nullptr;
    bool m_clearing = false;
    // The row under the pointer and the row whose text has the focus, each open as a HistoryRowWidget.
    QPersistentModelIndex m_editorIndex;
    QPersistentModelIndex m_pinnedIndex;
};

} // namespace tolvane
