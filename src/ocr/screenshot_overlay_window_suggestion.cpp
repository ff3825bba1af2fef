#include "ocr/screenshot_overlay_window_suggestion.h"

namespace tolvane {

namespace {

constexpr qreal kMinWidth = 160;
constexpr qreal kMinHeight = 100;
constexpr double kMinAlpha = 0.05;

bool largeEnough(const QRectF& r) {
    return r.width() >= kMinWidth && r.height() >= kMinHeight;
}

bool qualifies(const OverlayWindowInfo& w, qint64 selfPid) {
    return w.pid && *w.pid != selfPid && w.layer && *w.layer == 0 && w.alpha && *w.alpha > kMinAlpha &&
           w.regularApplication && w.bounds && largeEnough(*w.bounds);
}

} // namespace

std::optional<QRectF> suggestWindowRegion(const std::optional<QList<OverlayWindowInfo>>& windows,
                                          std::optional<qint64> frontmostPid, qint64 selfPid,
                                          const QList<QRectF>& screenFrames, std::optional<QRectF> fallback) {
    if (!windows)
        return fallback;
    const bool otherInFront = frontmostPid && *frontmostPid != selfPid;
    const OverlayWindowInfo* chosen = nullptr;
    for (const OverlayWindowInfo& w : *windows) {
        if (!qualifies(w, selfPid))
            continue;
        if (otherInFront && *w.pid != *frontmostPid)
            continue;
        chosen = &w;
        break;
    }
    if (!chosen)
        return fallback;

    std::optional<QRectF> best;
    for (const QRectF& frame : screenFrames) {
        const QRectF piece = chosen->bounds->intersected(frame);
        if (piece.isEmpty() || !largeEnough(piece))
            continue;
        // Ties keep the earlier screen.
        if (!best || piece.width() * piece.height() > best->width() * best->height())
            best = piece;
    }
    return best ? best : fallback;
}

} // namespace tolvane
