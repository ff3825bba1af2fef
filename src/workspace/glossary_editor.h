#pragma once

#include <QHash>
#include <QList>
#include <QUuid>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace tolvane {

class AppSettings;

// One glossary term in the editor: its source and target fields and a delete button.
class GlossaryRow : public QWidget {
    Q_OBJECT

public:
    GlossaryRow(QUuid id, QWidget* parent = nullptr);

    const QUuid& id() const { return m_id; }
    QLineEdit* sourceField() const { return m_source; }
    QLineEdit* targetField() const { return m_target; }
    QToolButton* deleteButton() const { return m_delete; }

private:
    QUuid m_id;
    QLineEdit* m_source;
    QLineEdit* m_target;
    QToolButton* m_delete;
};

// The glossary popover's content: every term edited in place and stored on each keystroke, terms added
// and deleted, and the number of complete terms. Rows are keyed by term id and kept across changes: a
// keystroke never rebuilds a row, moves the focus or disturbs an input method's composition.
class GlossaryEditor : public QWidget {
    Q_OBJECT

public:
    explicit GlossaryEditor(AppSettings& settings, QWidget* parent = nullptr);

    // The rows in list order.
    QList<GlossaryRow*> rows() const;
    QPushButton* addButton() const { return m_add; }
    QLabel* countLabel() const { return m_count; }
    bool showsEmptyState() const;

private:
    void reconcile();
    void edit(const QUuid& id, bool source, const QString& text);

    AppSettings& m_settings;
    QHash<QUuid, GlossaryRow*> m_rows;
    QList<QUuid> m_order;
    QPushButton* m_add;
    QLabel* m_empty;
    QScrollArea* m_scroll;
    QVBoxLayout* m_list;
    QLabel* m_count;
};

} // namespace tolvane
