#include "platform/memory/fake_screen_provider.h"

namespace tolvane {

std::optional<ScreenInfo> FakeScreenProvider::primaryScreen() const {
    if (m_screens.isEmpty())
        return std::nullopt;
    return m_screens.first();
}

ScreenInfo FakeScreenProvider::makeScreen(const QString& name, const QRectF& frame, qreal devicePixelRatio) {
    ScreenInfo info;
    info.name = name;
    info.frame = frame;
    info.availableFrame = frame;
    info.devicePixelRatio = devicePixelRatio;
    return info;
}

} // namespace tolvane
