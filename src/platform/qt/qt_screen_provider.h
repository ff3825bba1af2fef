#pragma once

#include "platform/screen_provider.h"

class QScreen;

namespace tolvane {

// Screens as Qt reports them (any QPA platform). Main thread only.
class QtScreenProvider final : public ScreenProvider {
public:
    QList<ScreenInfo> screens() const override;
    std::optional<ScreenInfo> primaryScreen() const override;

    static ScreenInfo describe(const QScreen& screen);
    // The QScreen a ScreenInfo came from, matched by name; null when it has gone.
    static QScreen* findScreen(const ScreenInfo& screen);
};

} // namespace tolvane
