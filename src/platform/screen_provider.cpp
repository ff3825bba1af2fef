#include "platform/screen_provider.h"

namespace tolvane {

bool frameContains(const QRectF& frame, const QPointF& point) {
    const QRectF f = frame.normalized();
    return point.x() >= f.left() && point.x() < f.right() && point.y() >= f.top() && point.y() < f.bottom();
}

std::optional<ScreenInfo> screenContaining(const QList<ScreenInfo>& screens, const QPointF& point) {
    for (const ScreenInfo& screen : screens) {
        if (frameContains(screen.frame, point))
            return screen;
    }
    return std::nullopt;
}

} // namespace tolvane
