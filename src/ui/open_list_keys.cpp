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

// Watches the picker's list. A key first comes as a shortcut override, which the list takes (so that no
// shortcut of the window runs), then as the key press, on which the list chooses. The combo box's own
// handling would choose and close on the override without taking it.
class OpenListKeys final : public QObject {
public:
    explicit OpenListKeys(QComboBox* picker) : QObject(picker), m_picker(picker) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool override = event->type() == QEvent::ShortcutOverride;
        if ((!override && event->type() != QEvent::KeyPress) ||
            !isChoosingKey(*static_cast<QKeyEvent*>(event)))
            return QObject::eventFilter(watched, event);
        event->accept();
        if (!override)
            choose();
        return true;
    }

private:
    // What the combo box does when a row is clicked: the row becomes the current one and is activated.
    void choose() {
        const QModelIndex row = m_picker->view()->currentIndex();
        if (!row.isValid() || !row.flags().testFlag(Qt::ItemIsEnabled))
            return;
        m_picker->hidePopup();
        m_picker->setCurrentIndex(row.row());
        Q_EMIT m_picker->activated(row.row());
        Q_EMIT m_picker->textActivated(m_picker->itemText(row.row()));
    }

    QComboBox* m_picker;
};

} // namespace

void chooseOnlyInOpenList(QComboBox* picker) {
    // The list's filters run newest first, so this one sees the keys before the combo box's own.
    picker->view()->installEventFilter(new OpenListKeys(picker));
}

} // namespace tolvane
