#include "ocr/region_memory_mapping.h"

#include <cmath>

namespace tolvane {

namespace {
constexpr qreal kMinimumSide = 8.0;

bool isFinite(const QRectF& rect) {
    return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
           std::isfinite(rect.height());
}

bool bigEnough(const QRectF& rect) {
    return rect.width() >= kMinimumSide && rect.height() >= kMinimumSide;
}
} // namespace

std::optional<ScreenshotRegionMemory> makeRegionMemory(const QRectF& region,
                                                       const QList<ScreenInfo>& screens) {
    const QRectF rect = region.normalized();
    if (!isFinite(rect))
        return std::nullopt;
    std::optional<ScreenInfo> screen = screenContaining(screens, rect.center());
    if (!screen) {
        for (const ScreenInfo& candidate : screens) {
            if (candidate.frame.intersects(rect)) {
                screen = candidate;
                break;
            }
        }
    }
    if (!screen)
        return std::nullopt;
    const QRectF frame = screen->frame;
    if (!(frame.width() > 0) || !(frame.height() > 0))
        return std::nullopt;
    const QRectF clipped = rect.intersected(frame);
    if (!bigEnough(clipped))
        return std::nullopt;

    ScreenshotRegionMemory memory;
    memory.normalizedRect =
        QRectF((clipped.x() - frame.x()) / frame.width(), (clipped.y() - frame.y()) / frame.height(),
               clipped.width() / frame.width(), clipped.height() / frame.height());
    memory.sourceScreenFrame = frame;
    memory.displayID = displayIDForScreenName(screen->name);
    return memory;
}

std::optional<QRectF> restoredRegion(const std::optional<ScreenshotRegionMemory>& memory,
                                     const QList<ScreenInfo>& screens) {
    if (!memory || screens.isEmpty())
        return std::nullopt;
    const QRectF normalized = memory->normalizedRect.normalized();
    if (!isFinite(normalized))
        return std::nullopt;

    std::optional<ScreenInfo> screen;
    if (memory->displayID) {
        for (const ScreenInfo& candidate : screens) {
            if (displayIDForScreenName(candidate.name) == *memory->displayID) {
                screen = candidate;
                break;
            }
        }
    }
    if (!screen) {
        const QSizeF source = memory->sourceScreenFrame.size();
        for (const ScreenInfo& candidate : screens) {
            if (std::abs(candidate.frame.width() - source.width()) < 1.0 &&
                std::abs(candidate.frame.height() - source.height()) < 1.0) {
                screen = candidate;
                break;
            }
        }
    }
    if (!screen)
        screen = screens.first(); // the primary screen comes first

    const QRectF frame = screen->frame;
    const QRectF region(frame.x() + normalized.x() * frame.width(),
                        frame.y() + normalized.y() * frame.height(), normalized.width() * frame.width(),
                        normalized.height() * frame.height());
    const QRectF clipped = region.intersected(frame);
    if (!bigEnough(clipped))
        return std::nullopt;
    return clipped;
}

} // namespace tolvane
