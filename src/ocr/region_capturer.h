#pragma once

#include "core/async/cancellation.h"
#include "core/clock.h"
#include "ocr/own_window_hider.h"
#include "platform/screen_grabber.h"
#include "platform/screen_provider.h"

#include <QCoroTask>
#include <QImage>
#include <chrono>
#include <memory>

namespace tolvane {

// Captures a screen region as an image of the screen's native pixels.
class RegionCapturer {
public:
    // The pause before grabbing, long enough for the closed overlay (and our hidden windows) to leave the
    // screen and for the windows beneath to repaint.
    static constexpr std::chrono::milliseconds kSettleDelay{140};

    struct Dependencies {
        std::shared_ptr<ScreenProvider> screens;
        std::shared_ptr<ScreenGrabber> grabber;
        std::shared_ptr<OwnWindowHider> ownWindows; // required
        Clock* clock = nullptr;
        // Under Wayland a grab shows other clients' windows as black.
        bool waylandSession = false;
    };

    explicit RegionCapturer(Dependencies dependencies);

    // Hides our overlapping windows, waits kSettleDelay, then grabs `region` (global logical coordinates)
    // clipped to the screen holding its midpoint (else the primary screen). Throws
    // ScreenshotOCRError(captureFailed) when nothing is left after clipping, the grab fails, or under Wayland
    // the image is all black; CancelledError when cancelled. Main thread.
    static QCoro::Task<QImage> capture(std::weak_ptr<RegionCapturer> capturer, QRectF region,
                                       CancellationToken token);

private:
    QImage grabNow(const QRectF& region);

    Dependencies m_deps;
};

// True when every pixel is black (alpha ignored); a null image counts as black.
bool isAllBlack(const QImage& image);

} // namespace tolvane
