#pragma once

#include "core/async/cancellation.h"
#include "model/screenshot_capture_mode.h"
#include "model/screenshot_region_memory.h"
#include "ocr/screenshot_selection_controller.h"

#include <QCoroTask>
#include <QImage>
#include <QRect>
#include <QRectF>
#include <QStringList>
#include <optional>

namespace tolvane {

// What a screenshot run does with the recognised text: translate it, or only show it.
enum class ScreenshotPurpose { translate, recognizeOnly };

// The capture and recognition service as the runs use it.
class ScreenshotRunService {
public:
    virtual ~ScreenshotRunService() = default;
    virtual QCoro::Task<ScreenshotSelectionOutcome> selectRegion(ScreenshotCaptureMode initialMode,
                                                                 std::optional<QRectF> rememberedRect,
                                                                 int batchCount, CancellationToken token) = 0;
    virtual QCoro::Task<QImage> captureImage(QRectF region, CancellationToken token) = 0;
    virtual QCoro::Task<QString> recognizeImage(QImage image, QString languageHint, QStringList customWords,
                                                CancellationToken token) = 0;
    virtual std::optional<QRectF>
    restoredRegion(const std::optional<ScreenshotRegionMemory>& memory) const = 0;
    virtual std::optional<ScreenshotRegionMemory> makeRegionMemory(const QRectF& region) const = 0;
    // Ends an open region selection with ScreenshotSelectionError::cancelled; nothing when none is open.
    virtual void cancelActiveSelection() = 0;
};

// The settings the runs read and write.
class ScreenshotRunSettings {
public:
    virtual ~ScreenshotRunSettings() = default;
    virtual ScreenshotCaptureMode captureMode() const = 0;
    virtual void setCaptureMode(ScreenshotCaptureMode mode) = 0;
    virtual std::optional<ScreenshotRegionMemory> regionMemory() const = 0;
    virtual void rememberRegion(const ScreenshotRegionMemory& memory) = 0;
    // The recognition language hint (the source language setting).
    virtual QString languageHint() const = 0;
    // Each glossary term's source, then its target, in list order and untrimmed.
    virtual QStringList customWords() const = 0;
};

// The workflow coordinator as the runs use it. Rectangles are Qt global logical coordinates.
class ScreenshotRunWorkflow {
public:
    virtual ~ScreenshotRunWorkflow() = default;
    // Opens the panel in its capturing state, placed by `anchor` (the region about to be read, so the
    // panel keeps off it) or, without one, by the pointer.
    virtual void beginScreenshotCapture(std::optional<QRect> anchor) = 0;
    virtual void translateRecognizedText(const QString& text, std::optional<QRect> anchor) = 0;
    virtual void showRecognizedText(const QString& text, std::optional<QRect> anchor) = 0;
    virtual void translateText(const QString& text, bool canPasteBackToSource) = 0;
    virtual void stopTranslation() = 0;
    // Sets the published status to failed with `message`.
    virtual void failWith(const QString& message) = 0;
    virtual void presentPanel(std::optional<QRect> anchor) = 0;
    // Bumped by every explicit stop.
    virtual quint64 explicitCancellationGeneration() const = 0;
    // Bumped by every entry operation (a new translation of any kind).
    virtual quint64 entrySerial() const = 0;
};

} // namespace tolvane
