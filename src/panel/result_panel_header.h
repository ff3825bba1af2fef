#pragma once

#include <QColor>
#include <QWidget>

class QComboBox;
class QLabel;
class QToolButton;

namespace tolvane {

class ResultPanelSettings;
class ResultPanelWorkflow;

// The panel's top row: status icon and title, the language route pickers and the close button. Dragging
// the row (outside its controls) moves the panel.
class ResultPanelHeader : public QWidget {
    Q_OBJECT

public:
    ResultPanelHeader(ResultPanelWorkflow* workflow, ResultPanelSettings* settings,
                      QWidget* parent = nullptr);

    // Re-reads the status and the settings.
    void refresh();

    QString title() const { return m_titleText; }
    QColor tint() const { return m_tint; }
    QString symbolName() const { return m_symbol; }
    QComboBox* sourcePicker() const { return m_source; }
    QComboBox* targetPicker() const { return m_target; }
    QToolButton* closeButton() const { return m_close; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ResultPanelWorkflow* m_workflow;
    ResultPanelSettings* m_settings;
    QLabel* m_icon;
    QLabel* m_title;
    QComboBox* m_source;
    QComboBox* m_target;
    QToolButton* m_close;
    QString m_titleText;
    QString m_symbol;
    QColor m_tint;
    std::optional<QPoint> m_dragOffset; // set while moving by hand (no window manager move)
};

} // namespace tolvane
