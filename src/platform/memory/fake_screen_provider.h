#pragma once

#include "platform/screen_provider.h"

namespace tolvane {

// A fixed screen list for tests; the first entry is the primary screen.
class FakeScreenProvider final : public ScreenProvider {
public:
    explicit FakeScreenProvider(QList<ScreenInfo> screens = {}) : m_screens(std::move(screens)) {}

    void setScreens(QList<ScreenInfo> screens) { m_screens = std::move(screens); }
    QList<ScreenInfo> screens() const override { return m_screens; }
    std::optional<ScreenInfo> primaryScreen() const override;

    // A screen named `name` with the given frame (available frame equal) and pixel ratio.
    static ScreenInfo makeScreen(const QString& name, const QRectF& frame, qreal devicePixelRatio = 1.0);

private:
    QList<ScreenInfo> m_screens;
};

} // namespace tolvane
