#pragma once

#include "platform/screen_provider.h"

#include <QImage>
#include <QRectF>
#include <QSize>

namespace tolvane {

// Copies part of one screen into an image of native pixels. Main thread only.
class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    // `region` is in global logical coordinates and lies inside screen.frame (callers clip first). The image
    // is nativeCaptureSize(region.size(), screen.devicePixelRatio) pixels; a null image means the grab
    // failed.
    virtual QImage grab(const ScreenInfo& screen, const QRectF& region) = 0;
};

// Pixel size of a capture: scale x logical size per side, rounded half away from zero, at least 1
// (10.3 points at scale 2 give 21 pixels).
QSize nativeCaptureSize(const QSizeF& logicalSize, qreal scale);

} // namespace tolvane
