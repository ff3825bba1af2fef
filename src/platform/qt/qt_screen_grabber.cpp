#include "platform/qt/qt_screen_grabber.h"

#include "core/logging.h"
#include "platform/qt/qt_screen_provider.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cmath>

namespace tolvane {

QImage QtScreenGrabber::grab(const ScreenInfo& info, const QRectF& region) {
    QScreen* screen = QtScreenProvider::findScreen(info);
    if (!screen) {
        qCWarning(lcOcr) << "Screen" << info.name << "is gone; nothing to grab";
        return {};
    }
    // grabWindow takes whole logical units relative to the screen's top-left (xcb). Grab the enclosing
    // whole-unit rectangle and crop the exact native pixels out of it.
    const QRectF relative = region.translated(-info.frame.topLeft());
    const QRect screenRect(QPoint(0, 0), info.frame.size().toSize());
    const int left = static_cast<int>(std::floor(relative.left()));
    const int top = static_cast<int>(std::floor(relative.top()));
    const int right = static_cast<int>(std::ceil(relative.right()));
    const int bottom = static_cast<int>(std::ceil(relative.bottom()));
    const QRect logical = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(screenRect);
    if (logical.isEmpty())
        return {};

    QPoint origin = logical.topLeft();
    // The offscreen platform (used by unit tests) takes global coordinates instead.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        origin += info.frame.topLeft().toPoint();
    const QPixmap pixmap = screen->grabWindow(0, origin.x(), origin.y(), logical.width(), logical.height());
    if (pixmap.isNull())
        return {};

    const QImage image = pixmap.toImage();
    const qreal dpr = pixmap.devicePixelRatio();
    const QPoint offset(static_cast<int>(std::round((relative.left() - logical.left()) * dpr)),
                        static_cast<int>(std::round((relative.top() - logical.top()) * dpr)));
    const QRect crop = QRect(offset, nativeCaptureSize(region.size(), dpr)).intersected(image.rect());
    if (crop.isEmpty())
        return {};
    QImage result = image.copy(crop);
    result.setDevicePixelRatio(dpr);
    return result;
}

} // namespace tolvane
