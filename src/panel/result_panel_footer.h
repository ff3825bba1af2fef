#pragma once

#include <QWidget>

class QComboBox;
class QPushButton;

namespace tolvane {

class ResultPanelSettings;
class ResultPanelWorkflow;

// The panel's bottom row: the engine and hosted-quality pickers and the actions that fit the current
// state (stop, translate typed text, the recognised-text pair, copy, replace). Hidden buttons are hidden
// widgets, so they neither take Tab focus nor answer their shortcuts.
class ResultPanelFooter : public QWidget {
    Q_OBJECT

public:
    ResultPanelFooter(ResultPanelWorkflow* workflow, ResultPanelSettings* settings,
                      QWidget* parent = nullptr);

    // Re-reads the workflow state, the settings and the manual editor's text.
    void refresh(const QString& manualInputText);

    QComboBox* enginePicker() const { return m_engine; }
    QComboBox* qualityPicker() const { return m_quality; }
    QPushButton* stopButton() const { return m_stop; }
    QPushButton* manualTranslateButton() const { return m_manualTranslate; }
    QPushButton* copySourceButton() const { return m_copySource; }
    QPushButton* recognizedTranslateButton() const { return m_recognizedTranslate; }
    QPushButton* copyButton() const { return m_copy; }
    QPushButton* replaceButton() const { return m_replace; }
    // The visible buttons, left to right.
    QList<QPushButton*> visibleButtons() const;

private:
    QPushButton* addButton(const QString& title, const QString& symbol, const QColor& prominentTint);

    ResultPanelWorkflow* m_workflow;
    ResultPanelSettings* m_settings;
    QComboBox* m_engine;
    QComboBox* m_quality;
    QPushButton* m_stop;
    QPushButton* m_manualTranslate;
    QPushButton* m_copySource;
    QPushButton* m_recognizedTranslate;
    QPushButton* m_copy;
    QPushButton* m_replace;
    QList<QPushButton*> m_buttons;
    QString m_manualInputText;
};

} // namespace tolvane
