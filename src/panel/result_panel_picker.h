#pragma once

class QComboBox;
class QString;
class QWidget;

namespace tolvane {

// A small pop-up picker of the result panel's header and footer: fixed width, 20 px high, 11 px text, taking
// focus only when clicked so the panel never steals typing.
QComboBox* makePanelPicker(const QString& accessibleName, int width, QWidget* parent);

} // namespace tolvane
