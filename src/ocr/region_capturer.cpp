#include "ocr/region_capturer.h"

#include "core/app_error.h"
#include "core/async/sleep.h"
#include "core/logging.h"
#include "ocr/screenshot_ocr_error.h"

namespace tolvane {

namespace {
[[noreturn]] void failCapture() {
    throw ScreenshotOCRError(ScreenshotOCRError::Kind::captureFailed);
}
} // namespace

RegionCapturer::RegionCapturer(Dependencies dependencies) : m_deps(std::move(dependencies)) {}

QCoro::Task<QImage> RegionCapturer::capture(std::weak_ptr<RegionCapturer> capturer, QRectF region,
                                            CancellationToken token) {
    auto self = capturer.lock();
    if (!self)
        throw CancelledError();
    region = region.normalized();
    // Hidden now, so the pause below also lets them disappear; shown again however this ends.
    OwnWindowHider::Hidden hidden = self->m_deps.ownWindows->hideFor(region);
    Clock& clock = *self->m_deps.clock;
    self.reset();

    co_await sleep(clock, kSettleDelay, token);
    self = capturer.lock();
    if (!self)
        throw CancelledError();
    token.throwIfCancelled();
    QImage image = self->grabNow(region);
    hidden.restore();
    co_return image;
}

QImage RegionCapturer::grabNow(const QRectF& region) {
    const QList<ScreenInfo> screens = m_deps.screens->screens();
    std::optional<ScreenInfo> screen = screenContaining(screens, region.center());
    if (!screen)
        screen = m_deps.screens->primaryScreen();
    if (!screen) {
        qCWarning(lcOcr) << "No screen to capture from";
        failCapture();
    }
    const QRectF clipped = region.intersected(screen->frame);
    if (clipped.width() < 1.0 || clipped.height() < 1.0) {
        qCWarning(lcOcr) << "Capture region" << region << "lies outside screen" << screen->name;
        failCapture();
    }
    const QImage image = m_deps.grabber->grab(*screen, clipped);
    if (image.isNull()) {
        qCWarning(lcOcr) << "Screen grab of" << clipped << "returned no image";
        failCapture();
    }
    if (m_deps.waylandSession && isAllBlack(image)) {
        qCWarning(lcOcr) << "Screen grab came back black: a Wayland session does not let X11 clients read "
                            "other windows";
        failCapture();
    }
    qCInfo(lcOcr).noquote() << QStringLiteral("Captured OCR selection at %1x%2, scale %3")
                                   .arg(image.width())
                                   .arg(image.height())
                                   .arg(screen->devicePixelRatio, 0, 'f', 1);
    return image;
}

bool isAllBlack(const QImage& image) {
    if (image.isNull())
        return true;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) != 0)
                return false;
        }
    }
    return true;
}

} // namespace tolvane
