#pragma once

class QComboBox;
class QString;
class QWidget;

namespace tolvane {

// A small pop-up picker of the result panel's header and footer: fixed width, 20 px high, 11 px text. It is
// a stop of the panel's Tab chain as well as clicked. Focused, it opens its list on Space, Return, Enter,
// Alt+Down or F4 (Return and Enter, which replace the original text elsewhere in the panel, are its own
// there), and the arrow keys choose the previous or next option at once. In the open list Return and Enter
// only choose.
QComboBox* makePanelPicker(const QString& accessibleName, int width, QWidget* parent);
// Widens `picker` where its longest option or its placeholder would be cut at its width.
void fitPanelPickerToItems(QComboBox* picker);

} // namespace tolvane
