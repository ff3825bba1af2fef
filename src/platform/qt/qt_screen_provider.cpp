#include "platform/qt/qt_screen_provider.h"

#include <QGuiApplication>
#include <QScreen>

namespace tolvane {

ScreenInfo QtScreenProvider::describe(const QScreen& screen) {
    ScreenInfo info;
    info.name = screen.name();
    info.frame = QRectF(screen.geometry());
    info.availableFrame = QRectF(screen.availableGeometry());
    info.devicePixelRatio = screen.devicePixelRatio();
    return info;
}

QList<ScreenInfo> QtScreenProvider::screens() const {
    QList<ScreenInfo> result;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        result.append(describe(*primary));
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary)
            result.append(describe(*screen));
    }
    return result;
}

std::optional<ScreenInfo> QtScreenProvider::primaryScreen() const {
    if (QScreen* primary = QGuiApplication::primaryScreen())
        return describe(*primary);
    return std::nullopt;
}

QScreen* QtScreenProvider::findScreen(const ScreenInfo& info) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == info.name)
            return screen;
    }
    return nullptr;
}

} // namespace tolvane
