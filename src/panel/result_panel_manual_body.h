#pragma once

#include "workflow/workflow_status.h"

#include <QWidget>

class QLabel;
class QStackedWidget;

namespace tolvane {

class NativeTextEditor;
class ResultPanelTextView;

// The manual-input body: the editor with its character count (and why a paste was refused) on the left,
// the translation (or a hint, progress, the stop note or the failure) on the right.
class ResultPanelManualBody : public QWidget {
    Q_OBJECT

public:
    explicit ResultPanelManualBody(QWidget* parent = nullptr);

    // Shows the output for the workflow's status and result.
    void showOutput(const WorkflowStatus& status, const QString& resultText);
    // Refreshes the count for the editor's text.
    void showCount(const QString& text);

    NativeTextEditor* editor() const { return m_editor; }
    QLabel* countLabel() const { return m_count; }
    // Why the last paste was refused; hidden once the text changes.
    QLabel* refusalLabel() const { return m_refusal; }
    QStackedWidget* output() const { return m_output; }
    ResultPanelTextView* resultView() const { return m_result; }
    QLabel* failureLabel() const { return m_failure; }
    QLabel* outputCaption() const { return m_outputCaption; }
    QWidget* hintPage() const { return m_hint; }
    QWidget* progressPage() const { return m_progress; }
    QWidget* cancelledPage() const { return m_cancelled; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    NativeTextEditor* m_editor;
    QLabel* m_count;
    QLabel* m_refusal;
    QStackedWidget* m_output;
    QLabel* m_outputCaption;
    ResultPanelTextView* m_result;
    QWidget* m_hint;
    QWidget* m_progress;
    QWidget* m_cancelled;
    QLabel* m_failure;
    QWidget* m_inputPane;
    QWidget* m_outputPane;
};

} // namespace tolvane
