#pragma once

class QComboBox;

namespace tolvane {

// Return and Enter in the open list of `picker` choose the row under the keyboard and do nothing else: the
// window's own Return and Enter shortcuts (a panel's replace, a guide's next step) never see them. Without
// this the list chooses while the key goes on to trigger such a shortcut too. Only for pickers that cannot
// be edited; call once.
void chooseOnlyInOpenList(QComboBox* picker);

} // namespace tolvane
