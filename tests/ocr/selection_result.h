#pragma once

#include "ocr/screenshot_overlay_controller.h"

#include <QCoroTask>
#include <memory>
#include <optional>

namespace tolvane::testing {

// A window system that cannot be asked: the overlay suggests no window.
class UnknownWindowList final : public OverlayWindowList {
public:
    std::optional<QList<OverlayWindowInfo>> onScreenWindows() override { return std::nullopt; }
};

// How an overlay's selection ended, and how many times it was settled.
struct SelectionResult {
    std::optional<ScreenshotSelectionOutcome> outcome;
    std::optional<ScreenshotSelectionError::Kind> selectionError;
    bool otherError = false;
    int settlements = 0;
};

inline QCoro::Task<> collectSelection(OneShot<ScreenshotSelectionOutcome> shot,
                                      std::shared_ptr<SelectionResult> result) {
    try {
        result->outcome = co_await shot.wait();
    } catch (const ScreenshotSelectionError& e) {
        result->selectionError = e.kind();
    } catch (...) {
        result->otherError = true;
    }
    ++result->settlements;
}

// Opens the controller's overlay for a single capture; `result` fills in when the selection ends.
inline void openSelection(ScreenshotOverlayController& controller, std::shared_ptr<SelectionResult> result,
                          std::optional<QRectF> remembered = std::nullopt, int batchCount = 0) {
    OneShot<ScreenshotSelectionOutcome> shot;
    controller.setContinuation(shot);
    QCoro::connect(collectSelection(shot, std::move(result)), &controller, [] {});
    controller.selectCapture(ScreenshotCaptureMode::single, remembered, batchCount);
}

} // namespace tolvane::testing
