#include "ui/accessible_widgets.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>

namespace tolvane {

namespace {

constexpr const char* selectionRoleProperty = "tolvaneSelectionButtonRole";
constexpr const char* summaryRoleProperty = "tolvaneSummaryRole";
constexpr const char* dropDownProperty = "tolvaneDropDown";

// A widget whose pop-up (a window it opened as its child widget, which Qt leaves out of the tree) is read as
// its child.
class PopupParentAccessible : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return QAccessibleWidget::childCount() + int(popups().size()); }
    QAccessibleInterface* child(int index) const override {
        const int own = QAccessibleWidget::childCount();
        if (index < own)
            return QAccessibleWidget::child(index);
        const QList<QWidget*> open = popups();
        return index - own < open.size() ? QAccessible::queryAccessibleInterface(open.at(index - own))
                                         : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const int own = QAccessibleWidget::indexOfChild(child);
        if (own >= 0 || !child)
            return own;
        const qsizetype popup = popups().indexOf(qobject_cast<QWidget*>(child->object()));
        return popup < 0 ? -1 : QAccessibleWidget::childCount() + int(popup);
    }

protected:
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
    QList<QWidget*> popups() const {
        QList<QWidget*> open;
        for (QWidget* child : widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isWindow() && child->isVisible())
                open.append(child);
        }
        return open;
    }
};

class SelectionButtonAccessible final : public PopupParentAccessible {
public:
    SelectionButtonAccessible(QAbstractButton* button, QAccessible::Role role)
        : PopupParentAccessible(button, role) {}

    QString text(QAccessible::Text t) const override {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty())
            text = button()->text();
        return text;
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        // A list item is selected, never checked: a screen reader would read "not checked" on every other.
        const bool item = role() == QAccessible::ListItem;
        state.checkable = !item;
        state.checked = !item && button()->isChecked();
        state.selectable = item || role() == QAccessible::PageTab;
        state.selected = state.selectable && button()->isChecked();
        return state;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (button()->isEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString& name) override {
        if ((name == pressAction() || name == toggleAction()) && button()->isEnabled())
            button()->click();
        else
            QAccessibleWidget::doAction(name);
    }
};

// A button showing the current choice that opens the list of choices: a combo box named by its accessible
// name, the choice as its description, the open list as its child, press opening or closing the list.
class DropDownAccessible final : public PopupParentAccessible {
public:
    explicit DropDownAccessible(QAbstractButton* button)
        : PopupParentAccessible(button, QAccessible::ComboBox) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = !popups().isEmpty();
        state.collapsed = !state.expanded;
        return state;
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (button()->isEnabled())
            names = QStringList{pressAction(), showMenuAction()} + names;
        return names;
    }
    void doAction(const QString& name) override {
        if ((name == pressAction() || name == showMenuAction()) && button()->isEnabled())
            button()->click();
        else
            QAccessibleWidget::doAction(name);
    }
};

// Qt names a combo box on Linux by its current value and leaves the label to a relation with a sibling
// label, which the settings rows cannot offer: this one is named by its accessible name, with the pop-up
// list as its child and press opening or closing it. Since the AT-SPI bridge carries no value text for a
// combo box, the current choice is read twice over: as the description (the placeholder while nothing is
// chosen), and as the selected item of the list, the way screen readers read a combo box's value.
class NamedComboAccessible final : public QAccessibleWidget {
public:
    explicit NamedComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value || (t == QAccessible::Name && combo()->accessibleName().isEmpty()))
            return currentChoice();
        if (t == QAccessible::Description && combo()->accessibleDescription().isEmpty())
            return combo()->currentIndex() < 0 ? combo()->placeholderText() : currentChoice();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return combo()->view() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override {
        if (index != 0 || !combo()->view())
            return nullptr;
        selectCurrentChoiceInList();
        return QAccessible::queryAccessibleInterface(combo()->view());
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && combo()->view() && child->object() == combo()->view() ? 0 : -1;
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = combo()->view() && combo()->view()->isVisible();
        state.collapsed = !state.expanded;
        return state;
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name != showMenuAction() && name != pressAction())
            return QAccessibleWidget::doAction(name);
        if (!combo()->isEnabled())
            return;
        if (combo()->view() && combo()->view()->isVisible())
            combo()->hidePopup();
        else
            combo()->showPopup();
    }

private:
    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
    QString currentChoice() const {
        return combo()->isEditable() ? combo()->lineEdit()->text() : combo()->currentText();
    }
    // The closed list's selection is left where the pop-up last was, and programs set the current index
    // with signals blocked: the selection is brought in step whenever the list is read. An open list is
    // left alone, its selection being the row the keys are on.
    void selectCurrentChoiceInList() const {
        QAbstractItemView* list = combo()->view();
        QItemSelectionModel* selection = list->selectionModel();
        if (list->isVisible() || !selection)
            return;
        const QModelIndex current = combo()->model()->index(combo()->currentIndex(), combo()->modelColumn(),
                                                            combo()->rootModelIndex());
        if (!current.isValid())
            selection->clearSelection();
        else if (!selection->isSelected(current) || selection->selectedIndexes().size() != 1)
            selection->select(current, QItemSelectionModel::ClearAndSelect);
    }
};

class SummaryAccessible final : public QAccessibleWidget {
public:
    SummaryAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    int childCount() const override { return int(parts().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> shown = parts();
        return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown.at(index))
                                                  : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? int(parts().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (QWidget* part : parts()) {
            if (QRect(part->mapToGlobal(QPoint(0, 0)), part->size()).contains(x, y))
                return QAccessible::queryAccessibleInterface(part);
        }
        return nullptr;
    }

private:
    QList<QWidget*> parts() const {
        QList<QWidget*> shown;
        for (QWidget* part : widget()->findChildren<QWidget*>()) {
            if ((part->focusPolicy() & Qt::TabFocus) && part->isVisibleTo(widget()))
                shown.append(part);
        }
        return shown;
    }
};

// A widget Qt knows only as a QWidget: while it is a top-level window it is read as a window (a dialog-type
// one as a dialog), named by its title; inside another widget it is a plain container as Qt makes it. The
// role is asked each time, since a widget is often built without a parent and placed afterwards.
class PlainWidgetAccessible final : public QAccessibleWidget {
public:
    explicit PlainWidgetAccessible(QWidget* widget) : QAccessibleWidget(widget) {}

    QAccessible::Role role() const override {
        if (!widget()->isWindow())
            return QAccessible::Client;
        switch (widget()->windowType()) {
        case Qt::Window:
        case Qt::Tool:
            return QAccessible::Window;
        case Qt::Dialog:
        case Qt::Sheet:
            return QAccessible::Dialog;
        default:
            return QAccessible::Client;
        }
    }
};

QAccessibleInterface* createAccessible(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    // Qt asks with each class name of the object's hierarchy, the object's own first.
    if (className == QLatin1String(object->metaObject()->className())) {
        if (const QVariant role = object->property(selectionRoleProperty); role.isValid())
            return new SelectionButtonAccessible(static_cast<QAbstractButton*>(widget),
                                                 QAccessible::Role(role.toInt()));
        if (const QVariant role = object->property(summaryRoleProperty); role.isValid())
            return new SummaryAccessible(widget, QAccessible::Role(role.toInt()));
        if (object->property(dropDownProperty).isValid())
            return new DropDownAccessible(static_cast<QAbstractButton*>(widget));
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            return new NamedComboAccessible(combo);
    }
    return className == QLatin1String("QWidget") ? new PlainWidgetAccessible(widget) : nullptr;
}

} // namespace

void installAccessibleFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(createAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

namespace {

// Marks `widget` for the factory and drops an interface Qt may have built for it already (setting a name or
// a checked state makes it build one when a screen reader listens), so the next one comes from the factory.
void mark(QWidget* widget, const char* property, QAccessible::Role role) {
    installAccessibleFactory();
    widget->setProperty(property, int(role));
    if (QAccessibleInterface* existing = QAccessible::queryAccessibleInterface(widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(existing));
}

} // namespace

void exposeAsSelectionButton(QAbstractButton* button, QAccessible::Role role) {
    mark(button, selectionRoleProperty, role);
}

void exposeAsSummary(QWidget* widget, QAccessible::Role role) {
    mark(widget, summaryRoleProperty, role);
}

void exposeAsDropDown(QAbstractButton* button) {
    mark(button, dropDownProperty, QAccessible::ComboBox);
}

} // namespace tolvane
