#pragma once

#include <QAbstractButton>
#include <QList>
#include <QScrollArea>
#include <QString>

namespace tolvane {

struct PremiumSelectorOption {
    QString id;
    QString title;
};

// The option a letter typed in an open list goes to: the first after `from` (round past the end) whose title
// or id starts with `letter`, ignoring case; -1 when none does. Ids are what a user types for an option whose
// title the keyboard cannot start: a language code ("d" for 德语, de), a style's English name.
int optionStartingWith(const QList<PremiumSelectorOption>& options, int from, const QString& letter);

// The open list of a drop-down: a scrolling column of one row per option, read as a list named by the
// drop-down's label, each row as an item of it, the current option's as the selected one. The keys work it as
// a list box: Up and Down go to the neighbouring row, Home and End to the ends, a letter to the next row it
// starts (see optionStartingWith); Return, Enter, Space and a click choose a row. The list itself takes no
// focus, its rows do; Escape is left to the pop-up holding it.
class OptionList : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int rowHeight = 30;
    static constexpr int rowSpacing = 4;
    static constexpr int padding = 6;

    OptionList(QList<PremiumSelectorOption> options, const QString& currentId, const QString& label,
               QWidget* parent = nullptr);

    const QList<QAbstractButton*>& rows() const { return m_rows; }
    // Puts the keyboard on the current option (on the first when none is), scrolled into view.
    void focusCurrent();

Q_SIGNALS:
    void chosen(const QString& id);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void focusRow(int index);
    int focusedRow() const;
    void choose(int index);

    QList<PremiumSelectorOption> m_options;
    QList<QAbstractButton*> m_rows;
    int m_current = -1;
};

} // namespace tolvane
