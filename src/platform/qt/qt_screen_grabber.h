#pragma once

#include "platform/screen_grabber.h"

namespace tolvane {

// Grabs through QScreen::grabWindow of the root window: on X11 an xcb_copy_area, which fails gracefully
// rather than through Xlib's fatal error handler.
class QtScreenGrabber final : public ScreenGrabber {
public:
    QImage grab(const ScreenInfo& screen, const QRectF& region) override;
};

} // namespace tolvane
