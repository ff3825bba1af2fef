#pragma once

#include "panel/result_panel_status.h"

#include <QScrollArea>

class QLabel;
class QProgressBar;

namespace tolvane {

class ResultPanelTextView;

// The body outside manual input: the source text (when there is one) and the result area, scrolling.
// The same text view carries the result from the first chunk to completion.
class ResultPanelReadingBody : public QScrollArea {
    Q_OBJECT

public:
    explicit ResultPanelReadingBody(QWidget* parent = nullptr);

    void show(const WorkflowStatus& status, const QString& sourceText, const QString& resultText);

    ReadingResultArea::Kind shownKind() const { return m_kind; }
    QWidget* sourceSection() const { return m_sourceSection; }
    ResultPanelTextView* sourceView() const { return m_sourceView; }
    QWidget* resultSection() const { return m_resultSection; }
    QLabel* resultCaption() const { return m_resultCaption; }
    ResultPanelTextView* resultView() const { return m_resultView; }
    QLabel* messageLabel() const { return m_message; }
    QLabel* failureLabel() const { return m_failure; }
    QWidget* progressRow() const { return m_progress; }

private:
    ReadingResultArea::Kind m_kind = ReadingResultArea::Kind::message;
    QWidget* m_sourceSection;
    ResultPanelTextView* m_sourceView;
    QWidget* m_resultSection;
    QLabel* m_resultCaption;
    ResultPanelTextView* m_resultView;
    QLabel* m_message;
    QWidget* m_messageBox; // the message with its padding
    QLabel* m_failure;
    QWidget* m_failureBox;
    QWidget* m_progress;
};

} // namespace tolvane
