#pragma once

#include <QString>

class QAbstractScrollArea;

namespace tolvane {

// The standard controls (buttons, fields, pickers, scroll bars) drawn dark, for a window's content. A window
// with a style sheet gives its widgets the application palette rather than the window's, so the controls
// are styled per class. A push button whose "destructive" property is true draws its label in red while
// enabled.
QString darkControlStyleSheet();

// The scroll bars of darkControlStyleSheet: slim, a dark handle on no track, no arrow buttons.
QString darkScrollBarStyleSheet();

// Gives `area`'s scroll bars that look, for a scroll area in a dark window that has no dark style sheet
// (the bars would otherwise be Qt's light ones with arrow buttons).
void useDarkScrollBars(QAbstractScrollArea* area);

} // namespace tolvane
