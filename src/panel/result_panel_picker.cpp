#include "panel/result_panel_picker.h"

#include "ui/open_list_keys.h"
#include "ui/theme.h"

#include <QComboBox>
#include <QKeyEvent>
#include <algorithm>

namespace tolvane {
namespace {

class PanelPicker final : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    bool event(QEvent* event) override {
        // Claimed before the window's shortcuts see it, so the focused picker gets the key press.
        if (event->type() == QEvent::ShortcutOverride && opensList(*static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        return QComboBox::event(event);
    }

    void keyPressEvent(QKeyEvent* event) override {
        if (!opensList(*event))
            return QComboBox::keyPressEvent(event);
        showPopup();
        event->accept();
    }

private:
    // Return or Enter without modifiers; Space, Alt+Down and F4 open the list by the combo box's own keys.
    static bool opensList(const QKeyEvent& event) {
        return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) &&
               (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    }
};

} // namespace

QComboBox* makePanelPicker(const QString& accessibleName, int width, QWidget* parent) {
    auto* picker = new PanelPicker(parent);
    picker->setAccessibleName(accessibleName);
    picker->setFixedWidth(width);
    picker->setFixedHeight(20);
    QFont font = Theme::subheadline();
    font.setPixelSize(11);
    picker->setFont(font);
    picker->setFocusPolicy(Qt::StrongFocus);
    chooseOnlyInOpenList(picker);
    return picker;
}

void fitPanelPickerToItems(QComboBox* picker) {
    picker->setFixedWidth(std::max(picker->width(), picker->sizeHint().width()));
}

} // namespace tolvane
