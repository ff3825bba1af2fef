#pragma once

#include "core/async/cancellation.h"
#include "core/clock.h"
#include "model/screenshot_capture_mode.h"
#include "model/screenshot_region_memory.h"
#include "ocr/own_window_hider.h"
#include "ocr/screenshot_selection_controller.h"
#include "ocr/text_recognizer.h"
#include "platform/screen_grabber.h"
#include "platform/screen_provider.h"

#include <QCoroTask>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

namespace tolvane {

class RecognitionPipeline;
class RegionCapturer;

// Turns a wish for the text on part of the screen into that text: region selection on the overlay,
// capture, two-pass on-device recognition, and conversion to and from the remembered region.
// One instance lives for the whole process. Main thread; recognition runs on its own worker thread.
class ScreenshotOCRService final : public QObject {
    Q_OBJECT
public:
    struct Dependencies {
        std::shared_ptr<ScreenProvider> screens;
        std::shared_ptr<ScreenGrabber> grabber;
        std::shared_ptr<TextRecognizer> recognizer;
        std::shared_ptr<ImageEnhancer> enhancer;
        // Makes the overlay controller for one selection.
        std::function<std::unique_ptr<ScreenshotSelectionController>()> makeSelectionController;
        // Whether the session lets this application read the screen (X11 asks no consent).
        std::function<bool()> screenRecordingAllowed;
        Clock* clock = nullptr;
        bool waylandSession = false;
    };

    // The production set-up: Qt screens and grabs, Tesseract, Leptonica, the system clock.
    static Dependencies defaultDependencies();

    // `ownWindows` lists this application's windows, kept out of every capture (see OwnWindowHider).
    ScreenshotOCRService(Dependencies dependencies, OwnWindowHider::WindowSource ownWindows,
                         QObject* parent = nullptr);
    ~ScreenshotOCRService() override;

    // Opens the overlay and waits for the user. Throws ScreenshotOCRError (screenRecordingPermissionRequired,
    // cancelled), ScreenshotSelectionError::selectionTooSmall, or CancelledError when `token` fired before
    // the overlay opened. Cancelling `token` while it is open closes it with ScreenshotOCRError::cancelled.
    QCoro::Task<ScreenshotSelectionOutcome> selectRegion(ScreenshotCaptureMode initialMode,
                                                         std::optional<QRectF> rememberedRect, int batchCount,
                                                         CancellationToken token);
    // The region (global logical coordinates) as an image of native pixels.
    QCoro::Task<QImage> captureImage(QRectF region, CancellationToken token);
    // The trimmed, non-empty text of the image.
    QCoro::Task<QString> recognizeImage(QImage image, QString languageHint, QStringList customWords,
                                        CancellationToken token);

    std::optional<QRectF> restoredRegion(const std::optional<ScreenshotRegionMemory>& memory) const;
    std::optional<ScreenshotRegionMemory> makeRegionMemory(const QRectF& region) const;

    // The selection in progress; null when none is open.
    ScreenshotSelectionController* activeSelectionController() const { return m_activeController; }

private:
    static QCoro::Task<ScreenshotSelectionOutcome> runSelection(QPointer<ScreenshotOCRService> self,
                                                                ScreenshotCaptureMode initialMode,
                                                                std::optional<QRectF> rememberedRect,
                                                                int batchCount, CancellationToken token);

    Dependencies m_deps;
    std::shared_ptr<OwnWindowHider> m_ownWindows;
    std::shared_ptr<RegionCapturer> m_capturer;
    std::shared_ptr<RecognitionPipeline> m_pipeline;
    QPointer<ScreenshotSelectionController> m_activeController;
};

} // namespace tolvane
