#include "ocr/screenshot_overlay_layout.h"

#include <algorithm>
#include <cmath>

namespace tolvane::overlay_layout {

QRectF selectionFromPoints(const QPointF& start, const QPointF& current) {
    return QRectF(std::min(start.x(), current.x()), std::min(start.y(), current.y()),
                  std::abs(start.x() - current.x()), std::abs(start.y() - current.y()));
}

std::optional<QRectF> modePanelRect(const std::optional<QRectF>& selection, const QRectF& bounds,
                                    bool snapshotMode) {
    if (!selection || selection->width() < kMinimumPanelSelection ||
        selection->height() < kMinimumPanelSelection)
        return std::nullopt;
    const QRectF& s = *selection;
    const qreal width = std::min(bounds.width() - 2 * kEdgeMargin, kPanelMaxWidth);
    // Centred under the selection, 16 from both edges; the right-hand limit wins when both conflict.
    const qreal x = snapshotMode ? kSnapshotPanelX
                                 : std::min(std::max(s.center().x() - width / 2, kEdgeMargin),
                                            bounds.width() - width - kEdgeMargin);
    qreal top = s.y() + s.height() + kPanelGap;
    if (top + kPanelHeight > bounds.height() - kEdgeMargin)
        top = std::max(s.y() - kPanelGap - kPanelHeight, kEdgeMargin);
    return QRectF(x, top, width, kPanelHeight);
}

std::array<ModeButtonFrame, 3> modeButtonFrames(const QRectF& p) {
    const qreal y = p.y() + 14;
    return {{{ScreenshotCaptureMode::single, QRectF(p.x() + 54, y, 92, 34)},
             {ScreenshotCaptureMode::continuous, QRectF(p.x() + 150, y, 145, 34)},
             {ScreenshotCaptureMode::batch, QRectF(p.x() + 299, y, 112, 34)}}};
}

QRectF secondaryButtonFrame(const QRectF& p) {
    return QRectF(p.right() - 205, p.y() + 14, 80, 34);
}
QRectF primaryButtonFrame(const QRectF& p) {
    return QRectF(p.right() - 117, p.y() + 14, 105, 34);
}
QRectF badgeFrame(const QRectF& p) {
    return QRectF(p.x() + 12, p.y() + 14, 34, 34);
}
QRectF modeIconFrame(const QRectF& f) {
    return QRectF(f.x() + 10, f.y() + 10, 14, 14);
}
QRectF modeLabelFrame(const QRectF& f) {
    return QRectF(f.x() + 31, f.y(), f.width() - 39, f.height());
}
QRectF primaryIconFrame(const QRectF& f) {
    return QRectF(f.x() + 12, f.y() + 10, 14, 14);
}
QRectF primaryLabelFrame(const QRectF& f) {
    return QRectF(f.x() + 33, f.y(), f.width() - 41, f.height());
}
QRectF hintFrame(const QRectF& b) {
    return QRectF(0, b.height() / 2 - 18, b.width(), 36);
}

std::array<QRectF, 4> handleFrames(const QRectF& s) {
    const qreal k = kHandleSize;
    return {{QRectF(s.left(), s.top(), k, k), QRectF(s.right() - k, s.top(), k, k),
             QRectF(s.left(), s.bottom() - k, k, k), QRectF(s.right() - k, s.bottom() - k, k, k)}};
}

} // namespace tolvane::overlay_layout
