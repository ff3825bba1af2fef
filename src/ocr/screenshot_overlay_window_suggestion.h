#pragma once

#include <QList>
#include <QRectF>
#include <optional>

namespace tolvane {

// One on-screen window as the overlay's suggestion sees it. Bounds are in Qt global logical coordinates.
struct OverlayWindowInfo {
    std::optional<qint64> pid;
    std::optional<int> layer;        // 0 for ordinary application windows
    std::optional<double> alpha;     // window opacity, 0..1
    bool regularApplication = false; // a normal application window (not a dock, panel, desktop or tool)
    std::optional<QRectF> bounds;    // the window's content, without the window manager's frame
};

// The on-screen windows, front to back.
class OverlayWindowList {
public:
    virtual ~OverlayWindowList() = default;
    // Absent when the window system could not be asked.
    virtual std::optional<QList<OverlayWindowInfo>> onScreenWindows() = 0;
};

// The region to pre-select when a run starts: the frontmost application's front window (or, with this
// application or nothing in front, the front window of any other application), cut to the screen that holds
// its largest piece. Windows below 160 x 100, transparent (alpha <= 0.05), off the normal layer or not
// belonging to a regular application are skipped. Without a suitable window, `fallback`.
std::optional<QRectF> suggestWindowRegion(const std::optional<QList<OverlayWindowInfo>>& windows,
                                          std::optional<qint64> frontmostPid, qint64 selfPid,
                                          const QList<QRectF>& screenFrames, std::optional<QRectF> fallback);

} // namespace tolvane
