#include "history/history_list_accessible.h"

#include "history/history_list_model.h"
#include "history/history_list_view.h"
#include "history/history_row_delegate.h"

#include <QAccessibleWidget>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTimer>
#include <array>

namespace tolvane {

namespace {

// The view and row behind an item; invalid once the view is gone or the row no longer exists.
struct RowRef {
    QPointer<HistoryListView> view;
    int row = -1;

    bool isValid() const { return view && row >= 0 && row < view->historyModel().rowCount(); }
    QModelIndex index() const { return view->historyModel().index(row, 0); }
    const HistoryEntry& entry() const { return view->historyModel().visibleEntry(row); }
    QRect globalRect() const {
        const QRect local = view->visualRect(index());
        return QRect(view->viewport()->mapToGlobal(local.topLeft()), local.size());
    }
    // The action runs on the next turn: it may remove the row and with it the interface being called.
    void run(HistoryRowAction action) const {
        QTimer::singleShot(0, view, [view = view, row = row, action] {
            if (view)
                view->requestAction(action, row);
        });
    }
};

class RowButtonAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    RowButtonAccessible(RowRef ref, QAccessibleInterface* row, int button)
        : m_ref(std::move(ref)), m_row(row), m_button(button) {}

    bool isValid() const override { return m_ref.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_row->window(); }
    QAccessibleInterface* parent() const override { return m_row; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? spec().helpText : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect row = m_ref.globalRect();
        return m_ref.view->rowDelegate()
            .layoutFor(m_ref.entry())
            .buttons[size_t(m_button)]
            .translated(row.topLeft());
    }
    QAccessible::Role role() const override { return QAccessible::PushButton; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid() || !m_ref.view->isVisible())
            state.invisible = true;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid())
            m_ref.run(spec().action);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    const HistoryRowButton& spec() const { return historyRowButtons()[size_t(m_button)]; }

    RowRef m_ref;
    QAccessibleInterface* m_row;
    int m_button;
};

class RowAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit RowAccessible(RowRef ref) : m_ref(std::move(ref)) {}
    const RowRef& ref() const { return m_ref; }
    ~RowAccessible() override {
        for (const QAccessible::Id id : m_buttons) {
            if (id)
                QAccessible::deleteAccessibleInterface(id);
        }
    }

    bool isValid() const override { return m_ref.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_ref.view ? m_ref.view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_ref.view);
    }
    int childCount() const override { return isValid() ? int(m_buttons.size()) : 0; }
    QAccessibleInterface* child(int index) const override {
        if (!isValid() || index < 0 || index >= int(m_buttons.size()))
            return nullptr;
        QAccessible::Id& id = m_buttons[size_t(index)];
        if (!id) {
            id = QAccessible::registerAccessibleInterface(
                new RowButtonAccessible(m_ref, const_cast<RowAccessible*>(this), index));
        }
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < int(m_buttons.size()); ++i) {
            if (m_buttons[size_t(i)] && QAccessible::accessibleInterface(m_buttons[size_t(i)]) == child)
                return i;
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i) {
            if (QAccessibleInterface* button = child(i); button->rect().contains(x, y))
                return button;
        }
        return nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        const HistoryEntry& entry = m_ref.entry();
        switch (t) {
        case QAccessible::Name:
            return entry.sourceText + QLatin1Char('\n') + entry.resultText;
        case QAccessible::Description:
            return QStringList{HistoryListModel::dateText(entry), HistoryListModel::timeText(entry),
                               entry.provider}
                .join(QLatin1Char(' '));
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return isValid() ? m_ref.globalRect() : QRect(); }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        HistoryListView& view = *m_ref.view;
        const QModelIndex index = m_ref.index();
        state.selectable = true;
        state.focusable = true;
        state.selected = view.selectionModel()->isSelected(index);
        state.focused = view.hasFocus() && view.currentIndex() == index;
        if (!view.isVisible() || !view.viewport()->rect().intersects(view.visualRect(index))) {
            state.invisible = !view.isVisible();
            state.offscreen = true;
        }
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    // Press translates the row again (as Return does); focusing selects it.
    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    void doAction(const QString& name) override {
        if (!isValid())
            return;
        if (name == pressAction()) {
            m_ref.run(HistoryRowAction::reuse);
        } else if (name == setFocusAction()) {
            m_ref.view->setFocus(Qt::OtherFocusReason);
            m_ref.view->setCurrentIndex(m_ref.index());
        }
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        return name == pressAction() ? QStringList{QStringLiteral("Return")} : QStringList{};
    }

private:
    RowRef m_ref;
    mutable std::array<QAccessible::Id, 4> m_buttons{};
};

class ListAccessible final : public QAccessibleWidget {
public:
    explicit ListAccessible(HistoryListView* view) : QAccessibleWidget(view, QAccessible::List) {}

    int childCount() const override { return view()->historyModel().rowCount(); }
    QAccessibleInterface* child(int index) const override { return view()->accessibleRow(index); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* row = dynamic_cast<const RowAccessible*>(child);
        return row && row->ref().view == view() && row->isValid() ? row->ref().row : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint local = view()->viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex index = view()->indexAt(local);
        return index.isValid() ? view()->accessibleRow(index.row()) : nullptr;
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.multiSelectable = false;
        return state;
    }

private:
    HistoryListView* view() const { return static_cast<HistoryListView*>(widget()); }
};

QAccessibleInterface* createAccessible(const QString&, QObject* object) {
    auto* view = qobject_cast<HistoryListView*>(object);
    return view ? new ListAccessible(view) : nullptr;
}

} // namespace

void installHistoryListAccessible() {
    static const bool installed = [] {
        QAccessible::installFactory(createAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface* makeHistoryRowAccessible(HistoryListView* view, int row) {
    return new RowAccessible(RowRef{view, row});
}

} // namespace tolvane
