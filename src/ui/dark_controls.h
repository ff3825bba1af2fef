#pragma once

#include <QString>

namespace tolvane {

// The standard controls (buttons, fields, pickers, scroll bars) drawn dark, for a window's content. A window
// with a style sheet gives its widgets the application palette rather than the window's, so the controls
// are styled per class. A push button whose "destructive" property is true draws its label in red while
// enabled.
QString darkControlStyleSheet();

} // namespace tolvane
