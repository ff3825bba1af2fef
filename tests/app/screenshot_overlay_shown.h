#pragma once

#include "app/app_delegate.h"
#include "app/screenshot_assembly.h"
#include "ocr/other_x_client.h"
#include "ocr/screenshot_ocr_service.h"
#include "ocr/screenshot_overlay_controller.h"
#include "ocr/screenshot_selection_view.h"

#include <QTest>
#include <QWindow>

namespace tolvane::testing {

// The overlay of the delegate's screenshot run just started, once it is shown and holds the keyboard (so
// `other` cannot take it); none when that does not happen within `timeoutMs`.
inline ScreenshotOverlayController* waitForOverlay(AppDelegate& delegate, OtherXClient& other,
                                                   int timeoutMs = 10000) {
    ScreenshotOverlayController* overlay = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] {
            ScreenshotAssembly* screenshots = delegate.screenshotAssembly();
            overlay = screenshots ? qobject_cast<ScreenshotOverlayController*>(
                                        screenshots->service().activeSelectionController())
                                  : nullptr;
            return overlay && !overlay->views().isEmpty() &&
                   overlay->views().front()->windowHandle()->isExposed() &&
                   other.tryGrabKeyboard() == AlreadyGrabbed;
        },
        timeoutMs);
    return shown ? overlay : nullptr;
}

} // namespace tolvane::testing
