#include "platform/memory/fake_screen_grabber.h"

#include <QPainter>

namespace tolvane {

FakeScreenGrabber::FakeScreenGrabber(QImage desktop, QPointF desktopOrigin)
    : m_desktop(std::move(desktop)), m_origin(desktopOrigin) {}

void FakeScreenGrabber::setDesktop(QImage desktop, QPointF origin) {
    m_desktop = std::move(desktop);
    m_origin = origin;
}

QImage FakeScreenGrabber::grab(const ScreenInfo& screen, const QRectF& region) {
    m_regions.append(region);
    if (m_onGrab)
        m_onGrab(region);
    if (m_failing)
        return {};
    QImage image(nativeCaptureSize(region.size(), screen.devicePixelRatio), QImage::Format_RGB32);
    image.fill(Qt::white);
    if (!m_desktop.isNull()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(image.rect()), m_desktop, region.translated(-m_origin));
    }
    image.setDevicePixelRatio(screen.devicePixelRatio);
    return image;
}

} // namespace tolvane
