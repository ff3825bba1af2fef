#pragma once

#include "model/history_entry.h"
#include "workflow/workflow_status.h"

#include <QCoroTask>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace tolvane {

class AppSettings;
class HistoryEvents;
class HistoryStore;
class IconButton;
class MetaText;
class SignalRow;
class UsageCard;
class WorkflowCoordinator;

// The recent-history column of the workspace: the 20 newest translations, a search over them, new
// translation (also Ctrl+N), reopening an entry with a click, deleting one, the way to the full history
// and the hosted-service usage.
//
// The list is fetched when the sidebar appears (first show, and every time its window is shown again),
// when the workflow's status turns `completed`, and when the history is cleared anywhere. The fetch after
// `completed` starts on a later event-loop turn, so the history write queued together with that status
// reaches the store first. Rows are rebuilt on a later turn too, never inside a row's own click.
class SignalSidebar : public QWidget {
    Q_OBJECT

public:
    static constexpr int recentLimit = 20;

    struct Actions {
        std::function<void()> onOpenHistory;
        std::function<void()> onNewTranslation;
        std::function<void(const HistoryEntry&)> onReuse;
    };

    SignalSidebar(HistoryStore& store, HistoryEvents& events, AppSettings& settings,
                  WorkflowCoordinator& workflow, bool isSnapshotMode, Actions actions,
                  QWidget* parent = nullptr);

    const QList<HistoryEntry>& entries() const { return m_entries; }
    const QString& loadError() const { return m_loadError; }
    bool isSearching() const { return m_showsSearch && !m_isSnapshotMode; }
    QList<SignalRow*> rows() const;
    QLineEdit* searchField() const { return m_searchField; }
    IconButton* searchToggle() const { return isSearching() ? m_closeSearchButton : m_searchButton; }
    IconButton* newTranslationButton() const { return m_newButton; }
    // The empty state's text; empty while rows are listed.
    QString emptyText() const;
    QPushButton* openHistoryButton() const { return m_openHistoryButton; }
    UsageCard* usageCard() const { return m_usage; }

    void openSearch();
    void closeSearch();
    // Fetches the recent entries on the next event-loop turn.
    void reload();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void statusChanged();
    void newTranslation();
    void remove(const QString& id);
    // Keeps the entries; the error shows once nothing is listed.
    void showFailure(const QString& description);
    void scheduleRebuild();
    void rebuildRows();
    QList<HistoryEntry> visibleEntries() const;

    // Coroutine bodies: they hold the sidebar by QPointer and drop what reaches it after its destruction.
    static QCoro::Task<> fetch(QPointer<SignalSidebar> self, HistoryStore* store);
    static QCoro::Task<> erase(QPointer<SignalSidebar> self, HistoryStore* store, QString id);

    HistoryStore& m_store;
    AppSettings& m_settings;
    WorkflowCoordinator& m_workflow;
    bool m_isSnapshotMode;
    Actions m_actions;
    QList<HistoryEntry> m_entries;
    QString m_loadError;
    bool m_showsSearch = false;
    WorkflowStatus::Kind m_status;
    bool m_rebuildQueued = false;

    MetaText* m_title;
    QWidget* m_searchBox;
    QLineEdit* m_searchField;
    IconButton* m_newButton;
    IconButton* m_searchButton;
    IconButton* m_closeSearchButton;
    QVBoxLayout* m_list;
    QWidget* m_emptyState;
    QLabel* m_emptyLabel;
    QPushButton* m_openHistoryButton;
    QList<SignalRow*> m_rows;
    UsageCard* m_usage;
};

} // namespace tolvane
