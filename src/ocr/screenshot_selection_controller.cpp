#include "ocr/screenshot_selection_controller.h"

#include "ocr/screenshot_ocr_error.h"

#include <QMetaObject>
#include <QPointer>

namespace tolvane {

ScreenshotSelectionController::ScreenshotSelectionController(QObject* parent) : QObject(parent) {}

ScreenshotSelectionController::~ScreenshotSelectionController() {
    if (auto continuation = takeContinuation())
        continuation->fail(std::make_exception_ptr(CancelledError()));
}

void ScreenshotSelectionController::setContinuation(OneShot<ScreenshotSelectionOutcome> continuation) {
    m_continuation = std::move(continuation);
}

std::optional<OneShot<ScreenshotSelectionOutcome>> ScreenshotSelectionController::takeContinuation() {
    return std::exchange(m_continuation, std::nullopt);
}

void ScreenshotSelectionController::cancel() {
    QPointer<ScreenshotSelectionController> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
            if (self)
                self->cancelSelection();
        },
        Qt::QueuedConnection);
}

void ScreenshotSelectionController::finish(std::exception_ptr error) {
    auto continuation = takeContinuation();
    tearDown();
    if (continuation)
        continuation->fail(std::move(error));
}

void ScreenshotSelectionController::complete(const QRectF& rect, ScreenshotCaptureMode mode) {
    if (!hasPendingResult())
        return;
    const QRectF region = rect.normalized();
    if (region.width() < kMinimumSide || region.height() < kMinimumSide) {
        finish(std::make_exception_ptr(
            ScreenshotSelectionError(ScreenshotSelectionError::Kind::selectionTooSmall)));
        return;
    }
    auto continuation = takeContinuation();
    tearDown();
    continuation->resolve(ScreenshotSelectionOutcome::capture(region, mode));
}

void ScreenshotSelectionController::finishBatch() {
    auto continuation = takeContinuation();
    if (!continuation)
        return;
    tearDown();
    continuation->resolve(ScreenshotSelectionOutcome::finishBatch());
}

void ScreenshotSelectionController::cancelSelection() {
    if (hasPendingResult())
        finish(std::make_exception_ptr(ScreenshotSelectionError(ScreenshotSelectionError::Kind::cancelled)));
}

} // namespace tolvane
