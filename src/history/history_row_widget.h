#pragma once

#include "history/history_row_layout.h"

#include <QWidget>
#include <array>

class QLabel;
class QToolButton;

namespace tolvane {

// One history row as widgets, laid out exactly as the delegate paints it: selectable source and result
// texts and four real buttons with their help texts and accessible names.
class HistoryRowWidget final : public QWidget {
    Q_OBJECT

public:
    HistoryRowWidget(HistoryEntry entry, HistoryRowLayout layout, const HistoryRowStyle& style,
                     QWidget* parent);

    const HistoryEntry& entry() const { return m_entry; }
    QToolButton* button(HistoryRowAction action) const { return m_buttons[size_t(action)]; }
    QLabel* sourceLabel() const { return m_source; }
    QLabel* resultLabel() const { return m_result; }

Q_SIGNALS:
    void actionTriggered(tolvane::HistoryRowAction action, const tolvane::HistoryEntry& entry);

private:
    HistoryEntry m_entry;
    std::array<QToolButton*, 4> m_buttons{};
    QLabel* m_source = nullptr;
    QLabel* m_result = nullptr;
};

} // namespace tolvane
