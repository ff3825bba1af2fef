#pragma once

#include "workflow/workflow_status.h"

#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QStackedWidget;

namespace tolvane {

class MetaText;
class ResultPanelTextView;
class WorkspaceButton;

// The caption above the result: "已完成" while streaming or done (and in sample content), a failure's words
// when a result is shown with it, else "准备就绪".
QString resultCaption(const WorkflowStatus& status, bool isSnapshotMode, bool hasResult = false);
// What the pane shows while the result is empty; a failure shows its own message.
QString resultPlaceholder(const WorkflowStatus& status);

// The right half of the editing area: a caption, the result as it streams in (or a placeholder for the
// status), and the copy, replace, save and translate-again actions. Holds no state of its own.
class ResultPane : public QWidget {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> onCopy;
        std::function<void()> onReplace;
        std::function<void()> onSave;
        std::function<void()> onRetry;
    };

    ResultPane(bool isSnapshotMode, Actions actions, QWidget* parent = nullptr);

    // Shows the result (an extension of the shown text is appended, at most one layout a frame), the
    // caption and placeholder for `status`, and enables the actions.
    void showResult(const QString& resultText, const WorkflowStatus& status, bool canReplace);

    MetaText* caption() const { return m_caption; }
    ResultPanelTextView* resultView() const { return m_text; }
    QLabel* placeholder() const { return m_placeholder; }
    bool showsPlaceholder() const;
    WorkspaceButton* copyButton() const { return m_copy; }
    WorkspaceButton* replaceButton() const { return m_replace; }
    WorkspaceButton* saveButton() const { return m_save; }
    WorkspaceButton* retryButton() const { return m_retry; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void applyLineSpacing();

    bool m_isSnapshotMode;
    MetaText* m_caption;
    QStackedWidget* m_body;
    ResultPanelTextView* m_text;
    QLabel* m_placeholder;
    WorkspaceButton* m_copy;
    WorkspaceButton* m_replace;
    WorkspaceButton* m_save;
    WorkspaceButton* m_retry;
};

} // namespace tolvane
