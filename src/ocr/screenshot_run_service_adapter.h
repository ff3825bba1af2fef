#pragma once

#include "ocr/screenshot_ocr_service.h"
#include "ocr/screenshot_run_ports.h"

#include <QPointer>

namespace tolvane {

// The runs' view of the capture and recognition service.
class ScreenshotRunServiceAdapter final : public ScreenshotRunService {
public:
    explicit ScreenshotRunServiceAdapter(ScreenshotOCRService* service) : m_service(service) {}

    QCoro::Task<ScreenshotSelectionOutcome> selectRegion(ScreenshotCaptureMode initialMode,
                                                         std::optional<QRectF> rememberedRect, int batchCount,
                                                         CancellationToken token) override;
    QCoro::Task<QImage> captureImage(QRectF region, CancellationToken token) override;
    QCoro::Task<QString> recognizeImage(QImage image, QString languageHint, QStringList customWords,
                                        CancellationToken token) override;
    std::optional<QRectF> restoredRegion(const std::optional<ScreenshotRegionMemory>& memory) const override;
    std::optional<ScreenshotRegionMemory> makeRegionMemory(const QRectF& region) const override;
    void cancelActiveSelection() override;

private:
    QPointer<ScreenshotOCRService> m_service;
};

} // namespace tolvane
