#pragma once

#include "core/async/one_shot.h"
#include "model/screenshot_capture_mode.h"

#include <QObject>
#include <QRectF>
#include <exception>
#include <optional>

namespace tolvane {

// How a region selection ended with a result.
struct ScreenshotSelectionOutcome {
    enum class Kind { capture, finishBatch };

    Kind kind = Kind::capture;
    // For `capture`: the chosen region (global logical coordinates, at least 8 x 8) and the confirmed mode.
    QRectF rect;
    ScreenshotCaptureMode mode = ScreenshotCaptureMode::single;

    static ScreenshotSelectionOutcome capture(const QRectF& rect, ScreenshotCaptureMode mode) {
        return {Kind::capture, rect, mode};
    }
    static ScreenshotSelectionOutcome finishBatch() { return {Kind::finishBatch, {}, {}}; }
};

// One region selection on the overlay. The caller stores the continuation, then calls selectCapture();
// whichever way the selection ends, the continuation is taken before the overlay is torn down and resumed,
// so it settles exactly once. The overlay implements selectCapture() and tearDown().
class ScreenshotSelectionController : public QObject {
    Q_OBJECT
public:
    // The smallest region a selection may confirm, in logical units per side.
    static constexpr qreal kMinimumSide = 8.0;

    explicit ScreenshotSelectionController(QObject* parent = nullptr);
    // A selection still pending is failed with CancelledError, so no waiter is left hanging.
    ~ScreenshotSelectionController() override;

    void setContinuation(OneShot<ScreenshotSelectionOutcome> continuation);
    bool hasPendingResult() const { return m_continuation.has_value(); }

    // Shows the overlay. `rememberedRect` is in global logical coordinates.
    virtual void selectCapture(ScreenshotCaptureMode initialMode, std::optional<QRectF> rememberedRect,
                               int batchCount) = 0;

    // Any thread: ends a pending selection with ScreenshotSelectionError::cancelled, on the main thread and
    // after anything already queued there (such as the storing of the continuation).
    void cancel();

    // Takes the continuation, tears the overlay down (always, even with nothing pending), then fails the
    // continuation with `error` if one was taken.
    void finish(std::exception_ptr error);

    // A confirmed region: at least kMinimumSide on both sides gives a capture outcome (standardised
    // rectangle), anything smaller ends with ScreenshotSelectionError::selectionTooSmall. Nothing pending:
    // nothing happens.
    void complete(const QRectF& rect, ScreenshotCaptureMode mode);
    // Ends a batch; nothing pending: nothing happens.
    void finishBatch();
    // Ends with ScreenshotSelectionError::cancelled when a result is pending.
    void cancelSelection();

protected:
    // Removes the overlay's windows and handlers; called before the continuation resumes.
    virtual void tearDown() = 0;

private:
    std::optional<OneShot<ScreenshotSelectionOutcome>> takeContinuation();

    std::optional<OneShot<ScreenshotSelectionOutcome>> m_continuation;
};

} // namespace tolvane
