#include "ocr/screenshot_run_service_adapter.h"

#include "ocr/screenshot_ocr_error.h"

namespace tolvane {

namespace {

QCoro::Task<ScreenshotSelectionOutcome> noSelection() {
    throw CancelledError();
    co_return ScreenshotSelectionOutcome::finishBatch();
}
QCoro::Task<QImage> noImage() {
    throw CancelledError();
    co_return QImage();
}
QCoro::Task<QString> noText() {
    throw CancelledError();
    co_return QString();
}

} // namespace

QCoro::Task<ScreenshotSelectionOutcome>
ScreenshotRunServiceAdapter::selectRegion(ScreenshotCaptureMode initialMode,
                                          std::optional<QRectF> rememberedRect, int batchCount,
                                          CancellationToken token) {
    if (!m_service)
        return noSelection();
    return m_service->selectRegion(initialMode, rememberedRect, batchCount, std::move(token));
}

QCoro::Task<QImage> ScreenshotRunServiceAdapter::captureImage(QRectF region, CancellationToken token) {
    if (!m_service)
        return noImage();
    return m_service->captureImage(region, std::move(token));
}

QCoro::Task<QString> ScreenshotRunServiceAdapter::recognizeImage(QImage image, QString languageHint,
                                                                 QStringList customWords,
                                                                 CancellationToken token) {
    if (!m_service)
        return noText();
    return m_service->recognizeImage(std::move(image), std::move(languageHint), std::move(customWords),
                                     std::move(token));
}

std::optional<QRectF>
ScreenshotRunServiceAdapter::restoredRegion(const std::optional<ScreenshotRegionMemory>& memory) const {
    return m_service ? m_service->restoredRegion(memory) : std::nullopt;
}

std::optional<ScreenshotRegionMemory>
ScreenshotRunServiceAdapter::makeRegionMemory(const QRectF& region) const {
    return m_service ? m_service->makeRegionMemory(region) : std::nullopt;
}

void ScreenshotRunServiceAdapter::cancelActiveSelection() {
    if (!m_service)
        return;
    if (ScreenshotSelectionController* controller = m_service->activeSelectionController())
        controller->finish(
            std::make_exception_ptr(ScreenshotSelectionError(ScreenshotSelectionError::Kind::cancelled)));
}

} // namespace tolvane
