#include "history/history_list_view.h"

#include "history/history_list_accessible.h"
#include "history/history_list_model.h"
#include "history/history_row_delegate.h"

#include <QItemSelectionModel>
#include <QKeyEvent>

namespace tolvane {

HistoryListView::HistoryListView(HistoryListModel* model, QWidget* parent)
    : QListView(parent), m_model(model) {
    installHistoryListAccessible();
    setModel(model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::StrongFocus);
    // The row the keys act on is the one read and drawn as selected, also where the view makes a row
    // current without selecting it (the first row, when Tab arrives in the list).
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid() && !selectionModel()->isSelected(current))
            selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    });
}

HistoryListView::~HistoryListView() {
    dropAccessibleRows();
}

HistoryRowDelegate& HistoryListView::rowDelegate() const {
    return *static_cast<HistoryRowDelegate*>(itemDelegate());
}

QAccessibleInterface* HistoryListView::accessibleRow(int row) const {
    if (row < 0 || row >= m_model->rowCount())
        return nullptr;
    if (const auto found = m_accessibleRows.constFind(row); found != m_accessibleRows.constEnd())
        return QAccessible::accessibleInterface(*found);
    auto* iface = makeHistoryRowAccessible(const_cast<HistoryListView*>(this), row);
    m_accessibleRows.insert(row, QAccessible::registerAccessibleInterface(iface));
    return iface;
}

void HistoryListView::requestAction(HistoryRowAction action, int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    Q_EMIT actionRequested(action, m_model->visibleEntry(row));
}

void HistoryListView::reset() {
    dropAccessibleRows();
    QListView::reset();
}

void HistoryListView::dropAccessibleRows() {
    const auto ids = std::exchange(m_accessibleRows, {});
    for (const QAccessible::Id id : ids)
        QAccessible::deleteAccessibleInterface(id);
}

void HistoryListView::keyPressEvent(QKeyEvent* event) {
    const int row = currentIndex().isValid() ? currentIndex().row() : -1;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const auto act = [&](HistoryRowAction action) {
        event->accept();
        requestAction(action, row);
    };
    if (row < 0) {
        QListView::keyPressEvent(event);
    } else if (event->key() == Qt::Key_C && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        act(HistoryRowAction::copySource);
    } else if (event->matches(QKeySequence::Copy)) {
        act(HistoryRowAction::copyResult);
    } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
               modifiers == Qt::NoModifier) {
        act(HistoryRowAction::reuse);
    } else if (event->key() == Qt::Key_Delete && modifiers == Qt::NoModifier) {
        event->accept();
        Q_EMIT deleteKeyPressed(m_model->visibleEntry(row));
    } else {
        QListView::keyPressEvent(event);
    }
}

} // namespace tolvane
