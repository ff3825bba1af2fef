#include "ui/open_list_keys.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>

namespace tolvane {
namespace {

bool isChoosingKey(const QKeyEvent& event) {
    return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) &&
           (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Watches a list. A key first comes as a shortcut override, which the list takes (so that no shortcut of the
// window runs), then as the key press, on which the list chooses. A combo box's own handling would choose
// and close on the override without taking it.
class OpenListKeys final : public QObject {
public:
    OpenListKeys(QWidget* list, std::function<void()> choose) : QObject(list), m_choose(std::move(choose)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool override = event->type() == QEvent::ShortcutOverride;
        if ((!override && event->type() != QEvent::KeyPress) ||
            !isChoosingKey(*static_cast<QKeyEvent*>(event)))
            return QObject::eventFilter(watched, event);
        event->accept();
        if (!override)
            m_choose();
        return true;
    }

private:
    std::function<void()> m_choose;
};

} // namespace

void chooseOnlyWithReturn(QWidget* list, std::function<void()> choose) {
    // A widget's filters run newest first, so this one sees the keys before any installed earlier.
    list->installEventFilter(new OpenListKeys(list, std::move(choose)));
}

void chooseOnlyInOpenList(QComboBox* picker) {
    // What the combo box does when a row is clicked: the row becomes the current one and is activated.
    chooseOnlyWithReturn(picker->view(), [picker] {
        const QModelIndex row = picker->view()->currentIndex();
        if (!row.isValid() || !row.flags().testFlag(Qt::ItemIsEnabled))
            return;
        picker->hidePopup();
        picker->setCurrentIndex(row.row());
        Q_EMIT picker->activated(row.row());
        Q_EMIT picker->textActivated(picker->itemText(row.row()));
    });
}

} // namespace tolvane
