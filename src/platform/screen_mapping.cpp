#include "platform/screen_mapping.h"

#include <QGuiApplication>
#include <QScreen>

namespace tolvane {

std::optional<QRectF> nativeToLogical(const QRect& native, const std::vector<ScreenMapping>& screens) {
    if (native.width() <= 0 || native.height() <= 0)
        return std::nullopt;
    for (const ScreenMapping& screen : screens) {
        if (!screen.native.contains(native.topLeft()) || screen.devicePixelRatio <= 0)
            continue;
        const qreal ratio = screen.devicePixelRatio;
        const QPointF offset = QPointF(native.topLeft() - screen.native.topLeft()) / ratio;
        return QRectF(screen.logical.topLeft() + offset, QSizeF(native.size()) / ratio);
    }
    return std::nullopt;
}

std::vector<ScreenMapping> currentScreenMappings() {
    std::vector<ScreenMapping> mappings;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect logical = screen->geometry();
        const qreal ratio = screen->devicePixelRatio();
        const QSize nativeSize(qRound(logical.width() * ratio), qRound(logical.height() * ratio));
        mappings.push_back({QRect(logical.topLeft(), nativeSize), QRectF(logical), ratio});
    }
    return mappings;
}

} // namespace tolvane
