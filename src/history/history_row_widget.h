#pragma once

#include "history/history_row_layout.h"

#include <QWidget>
#include <array>

class QLabel;
class QToolButton;

namespace tolvane {

// One history row as widgets, laid out exactly as the delegate paints it: selectable source and result
// texts and four real buttons with their help texts and accessible names. Copying from a text gives the
// stored text behind the selection (all of it without one), never the laid-out lines; so does the desktop's
// PRIMARY selection a selection by the mouse or the keys makes.
class HistoryRowWidget final : public QWidget {
    Q_OBJECT

public:
    HistoryRowWidget(HistoryEntry entry, HistoryRowLayout layout, const HistoryRowStyle& style,
                     QWidget* parent);

    const HistoryEntry& entry() const { return m_entry; }
    QToolButton* button(HistoryRowAction action) const { return m_buttons[size_t(action)]; }
    QLabel* sourceLabel() const { return m_source; }
    QLabel* resultLabel() const { return m_result; }
    // What copying from `label` (one of the two texts) gives now.
    QString copiedText(const QLabel* label) const;
    // Draws the row as selected and/or holding the list's focus, as the delegate does.
    void setHighlight(bool selected, bool focused);

Q_SIGNALS:
    void actionTriggered(tolvane::HistoryRowAction action, const tolvane::HistoryEntry& entry);
    void copyRequested(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Puts the stored text behind `label`'s selection on PRIMARY, when it has one.
    void offerPrimarySelection(const QLabel* label) const;

    HistoryEntry m_entry;
    HistoryRowLayout m_layout;
    HistoryRowStyle m_style;
    std::array<QToolButton*, 4> m_buttons{};
    QLabel* m_source = nullptr;
    QLabel* m_result = nullptr;
    bool m_selected = false;
    bool m_focused = false;
};

} // namespace tolvane
