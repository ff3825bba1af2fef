#include "platform/screen_grabber.h"

#include <algorithm>
#include <cmath>

namespace tolvane {

namespace {
int scaledSide(qreal points, qreal scale) {
    const double pixels = std::round(std::abs(points) * scale); // std::round rounds half away from zero
    return static_cast<int>(std::clamp(pixels, 1.0, 1.0e9));
}
} // namespace

QSize nativeCaptureSize(const QSizeF& logicalSize, qreal scale) {
    return {scaledSide(logicalSize.width(), scale), scaledSide(logicalSize.height(), scale)};
}

} // namespace tolvane
