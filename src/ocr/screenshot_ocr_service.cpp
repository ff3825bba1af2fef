#include "ocr/screenshot_ocr_service.h"

#include "core/app_error.h"
#include "core/logging.h"
#include "ocr/ocr_engine_loader.h"
#include "ocr/recognition_pipeline.h"
#include "ocr/region_capturer.h"
#include "ocr/region_memory_mapping.h"
#include "ocr/screenshot_ocr_error.h"
#include "platform/qt/qt_screen_grabber.h"
#include "platform/qt/qt_screen_provider.h"
#include "platform/session_info.h"

namespace tolvane {

ScreenshotOCRService::Dependencies ScreenshotOCRService::defaultDependencies() {
    Dependencies deps;
    deps.screens = std::make_shared<QtScreenProvider>();
    deps.grabber = std::make_shared<QtScreenGrabber>();
    deps.recognizer = loadedTextRecognizer();
    deps.enhancer = loadedImageEnhancer();
    deps.screenRecordingAllowed = [] { return true; };
    deps.clock = &systemClock();
    deps.waylandSession = currentSession().kind == SessionKind::wayland;
    return deps;
}

ScreenshotOCRService::ScreenshotOCRService(Dependencies dependencies, OwnWindowHider::WindowSource ownWindows,
                                           QObject* parent)
    : QObject(parent), m_deps(std::move(dependencies)),
      m_ownWindows(std::make_shared<OwnWindowHider>(std::move(ownWindows))) {
    if (!m_deps.clock)
        m_deps.clock = &systemClock();
    m_capturer = std::make_shared<RegionCapturer>(RegionCapturer::Dependencies{
        m_deps.screens, m_deps.grabber, m_ownWindows, m_deps.clock, m_deps.waylandSession});
    m_pipeline = std::make_shared<RecognitionPipeline>(m_deps.recognizer, m_deps.enhancer);
}

ScreenshotOCRService::~ScreenshotOCRService() {
    // A selection still open resumes its waiter instead of leaving it suspended.
    if (m_activeController)
        m_activeController->finish(std::make_exception_ptr(CancelledError()));
}

QCoro::Task<ScreenshotSelectionOutcome>
ScreenshotOCRService::selectRegion(ScreenshotCaptureMode initialMode, std::optional<QRectF> rememberedRect,
                                   int batchCount, CancellationToken token) {
    return runSelection(QPointer(this), initialMode, rememberedRect, batchCount, std::move(token));
}

QCoro::Task<ScreenshotSelectionOutcome>
ScreenshotOCRService::runSelection(QPointer<ScreenshotOCRService> self, ScreenshotCaptureMode initialMode,
                                   std::optional<QRectF> rememberedRect, int batchCount,
                                   CancellationToken token) {
    if (!self)
        throw CancelledError();
    if (self->m_deps.screenRecordingAllowed && !self->m_deps.screenRecordingAllowed()) {
        qCCritical(lcOcr) << "Screen capture is not allowed in this session";
        throw ScreenshotOCRError(ScreenshotOCRError::Kind::screenRecordingPermissionRequired);
    }
    token.throwIfCancelled();
    if (!self->m_deps.makeSelectionController) {
        qCCritical(lcOcr) << "No region selection overlay is available";
        throw ScreenshotOCRError(ScreenshotOCRError::Kind::captureFailed);
    }

    // Owned here; deleted on the next turn once the selection has ended.
    ScreenshotSelectionController* controller = self->m_deps.makeSelectionController().release();
    controller->setParent(self);
    self->m_activeController = controller;
    QPointer<ScreenshotSelectionController> guard(controller);
    auto release = [self, guard] {
        if (self && self->m_activeController == guard)
            self->m_activeController = nullptr;
        if (guard)
            guard->deleteLater();
    };
    if (token.isCancelled()) {
        release();
        throw CancelledError();
    }

    OneShot<ScreenshotSelectionOutcome> result;
    controller->setContinuation(result);
    CancelRegistration onCancel = token.onCancel([guard] {
        if (guard)
            guard->cancel();
    });
    controller->selectCapture(initialMode, rememberedRect, batchCount);

    std::exception_ptr error;
    std::optional<ScreenshotSelectionOutcome> outcome;
    try {
        outcome = co_await result.wait();
    } catch (...) {
        error = std::current_exception();
    }
    onCancel.reset();
    release();
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const ScreenshotSelectionError& selectionError) {
            if (selectionError.kind() == ScreenshotSelectionError::Kind::cancelled)
                throw ScreenshotOCRError(ScreenshotOCRError::Kind::cancelled);
            throw;
        }
    }
    co_return *outcome;
}

QCoro::Task<QImage> ScreenshotOCRService::captureImage(QRectF region, CancellationToken token) {
    return RegionCapturer::capture(m_capturer, region, std::move(token));
}

QCoro::Task<QString> ScreenshotOCRService::recognizeImage(QImage image, QString languageHint,
                                                          QStringList customWords, CancellationToken token) {
    return RecognitionPipeline::recognize(m_pipeline, std::move(image), std::move(languageHint),
                                          std::move(customWords), std::move(token));
}

std::optional<QRectF>
ScreenshotOCRService::restoredRegion(const std::optional<ScreenshotRegionMemory>& memory) const {
    return tolvane::restoredRegion(memory, m_deps.screens->screens());
}

std::optional<ScreenshotRegionMemory> ScreenshotOCRService::makeRegionMemory(const QRectF& region) const {
    return tolvane::makeRegionMemory(region, m_deps.screens->screens());
}

} // namespace tolvane
