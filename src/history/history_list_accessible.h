#pragma once

class QAccessibleInterface;

namespace tolvane {

class HistoryListView;

// Installs, once per process, the accessible interface of HistoryListView: a list whose children are the
// rows. A row is a list item named by its source and translation (date, time and provider as its
// description), selectable and focusable, whose press translates it again; its children are the four row
// actions as buttons named by their help texts, each with a press.
void installHistoryListAccessible();

// The interface of one row; HistoryListView keeps and drops it.
QAccessibleInterface* makeHistoryRowAccessible(HistoryListView* view, int row);

} // namespace tolvane
