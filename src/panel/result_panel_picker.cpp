#include "panel/result_panel_picker.h"

#include "ui/theme.h"

#include <QComboBox>

namespace tolvane {

QComboBox* makePanelPicker(const QString& accessibleName, int width, QWidget* parent) {
    auto* picker = new QComboBox(parent);
    picker->setAccessibleName(accessibleName);
    picker->setFixedWidth(width);
    picker->setFixedHeight(20);
    QFont font = Theme::subheadline();
    font.setPixelSize(11);
    picker->setFont(font);
    picker->setFocusPolicy(Qt::ClickFocus);
    return picker;
}

} // namespace tolvane
