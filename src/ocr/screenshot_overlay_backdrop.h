#pragma once

#include "platform/screen_provider.h"

#include <QPixmap>

namespace tolvane {

// Whether a compositing manager runs on the X11 screen (an owner of _NET_WM_CM_S<n>); false elsewhere.
bool compositorRunning();

// Without a compositor a translucent window shows black instead of the screen beneath it, so the overlay
// paints a frozen picture of its screen under the dimming. With a compositor, or off X11: a null pixmap.
QPixmap frozenScreenBackdrop(const ScreenInfo& screen);

} // namespace tolvane
