#pragma once

#include <functional>

class QComboBox;
class QWidget;

namespace tolvane {

// Return and Enter in the open list of `picker` choose the row under the keyboard and do nothing else: the
// window's own Return and Enter shortcuts (a panel's replace, a guide's next step) never see them. Without
// this the list chooses while the key goes on to trigger such a shortcut too. Only for pickers that cannot
// be edited; call once.
void chooseOnlyInOpenList(QComboBox* picker);

// Return and Enter reaching `list` (pressed on it or on a descendant that leaves them) call `choose` and do
// nothing else, as above: no shortcut of the window sees them. Call once per list.
void chooseOnlyWithReturn(QWidget* list, std::function<void()> choose);

} // namespace tolvane
