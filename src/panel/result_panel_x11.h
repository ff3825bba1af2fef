#pragma once

#include <QtGlobal>

class QWidget;

namespace tolvane::result_panel_x11 {

// Whether a compositing manager runs on the default screen (it owns the _NET_WM_CM_S<n> selection).
// False off X11.
bool compositorActive();

// Puts the (hidden) top-level on every desktop and keeps it out of task bars and pagers. The window
// manager drops these states on hide, so this is done before every show. Does nothing off X11.
void markAsFloatingPanel(QWidget* window);

// Asks the window manager for the same states (and above others) for the shown top-level. A manager that
// withdraws the last showing only after markAsFloatingPanel (a hide and a show in quick succession on a busy
// machine) drops them with it; a request sent after the show reaches it once it manages the new showing.
// Does nothing off X11.
void requestFloatingPanelStates(QWidget* window);

} // namespace tolvane::result_panel_x11
