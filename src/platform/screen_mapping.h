#pragma once

#include <QRect>
#include <QRectF>
#include <optional>
#include <vector>

namespace tolvane {

// One screen as the X server (pixels) and Qt (logical coordinates) see it.
struct ScreenMapping {
    QRect native;
    QRectF logical;
    qreal devicePixelRatio = 1.0;
};

// Converts a rectangle in X root pixels to Qt global logical coordinates through the screen holding its
// top-left corner. Absent when the rectangle is empty or lies on no screen.
std::optional<QRectF> nativeToLogical(const QRect& native, const std::vector<ScreenMapping>& screens);

// The screens of the running Qt application. Qt keeps a screen's top-left corner in native pixels and
// scales only its size, so the native geometry is the logical one with its size times the ratio.
std::vector<ScreenMapping> currentScreenMappings();

} // namespace tolvane
