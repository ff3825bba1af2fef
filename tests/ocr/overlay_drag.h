#pragma once

#include "ocr/screenshot_overlay_controller.h"
#include "ocr/screenshot_selection_view.h"
#include "other_x_client.h"

#include <QGuiApplication>
#include <QScreen>

namespace tolvane::testing {

// Drags `region` in the overlay through XTest, from its bottom-right corner to its top-left one (the other
// way round when the corner lies on the mode panel of the region shown before, where a press starts no
// selection), then waits until a view has it.
inline bool dragRegion(OtherXClient& other, ScreenshotOverlayController& overlay, const QRect& region) {
    QPointF from = region.topLeft() + QPointF(region.width(), region.height());
    QPointF to = region.topLeft();
    ScreenshotSelectionView* view = overlay.keyView();
    if (const auto panel = view->modePanelRect();
        panel && panel->contains(from - view->screenFrame().topLeft()))
        std::swap(from, to);
    // XTest moves the pointer in device pixels.
    const qreal scale = QGuiApplication::primaryScreen()->devicePixelRatio();
    other.drag((from * scale).toPoint(), (to * scale).toPoint());
    return QTest::qWaitFor([&] {
        for (ScreenshotSelectionView* view : overlay.views())
            if (view->globalSelection() == QRectF(region))
                return true;
        return false;
    });
}

} // namespace tolvane::testing
