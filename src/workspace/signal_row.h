#pragma once

#include <QAbstractButton>
#include <QString>
#include <QWidget>

class QToolButton;

namespace tolvane {

// The clickable body of a history row: the title over the detail caption. It is checkable so that the
// selected state reaches assistive technologies, but a click never toggles it (the owner sets it).
class SignalRowButton : public QAbstractButton {
    Q_OBJECT

public:
    SignalRowButton(QString title, QString detail, QWidget* parent = nullptr);

    const QString& title() const { return m_title; }
    const QString& detail() const { return m_detail; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override {}

private:
    QString m_title;
    QString m_detail;
};

// One row of the history sidebar, 52 high: the body, which reports `activated`, and, for deletable rows, a
// trash button beside it, which reports `deleteRequested`. The selected row sits on a ringed ground.
class SignalRow : public QWidget {
    Q_OBJECT

public:
    SignalRow(const QString& title, const QString& detail, bool selected, bool deletable,
              QWidget* parent = nullptr);

    SignalRowButton* body() const { return m_body; }
    // Null for a row that cannot be deleted.
    QToolButton* trash() const { return m_trash; }
    bool isSelected() const { return m_body->isChecked(); }
    void setSelected(bool selected);

Q_SIGNALS:
    void activated();
    void deleteRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SignalRowButton* m_body;
    QToolButton* m_trash = nullptr;
};

} // namespace tolvane
