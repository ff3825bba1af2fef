#pragma once

#include "model/screenshot_capture_mode.h"

#include <QPointF>
#include <QRectF>
#include <array>
#include <optional>

namespace tolvane {

// The overlay's geometry, in the view's own coordinates (origin top-left, y down). Pure functions so the
// numbers can be checked without painting.
namespace overlay_layout {

inline constexpr qreal kPanelHeight = 62;
inline constexpr qreal kPanelMaxWidth = 660;
inline constexpr qreal kEdgeMargin = 16;
inline constexpr qreal kPanelGap = 36;
inline constexpr qreal kMinimumPanelSelection = 8;
inline constexpr qreal kSnapshotPanelX = 390;
inline constexpr qreal kHandleSize = 12;

// The rectangle spanned by two points: smallest x and y, absolute extents.
QRectF selectionFromPoints(const QPointF& start, const QPointF& current);

// The mode panel under the selection (or above it when it would come closer than 16 to the bottom edge);
// absent without a selection at least 8 x 8.
std::optional<QRectF> modePanelRect(const std::optional<QRectF>& selection, const QRectF& bounds,
                                    bool snapshotMode);

struct ModeButtonFrame {
    ScreenshotCaptureMode mode;
    QRectF frame;
};
// Single, continuous, batch, left to right.
std::array<ModeButtonFrame, 3> modeButtonFrames(const QRectF& panel);
QRectF secondaryButtonFrame(const QRectF& panel);
QRectF primaryButtonFrame(const QRectF& panel);
QRectF badgeFrame(const QRectF& panel);
QRectF modeIconFrame(const QRectF& button);
QRectF modeLabelFrame(const QRectF& button);
QRectF primaryIconFrame(const QRectF& button);
QRectF primaryLabelFrame(const QRectF& button);
QRectF hintFrame(const QRectF& bounds);
// The four corner squares inside the selection: top-left, top-right, bottom-left, bottom-right.
std::array<QRectF, 4> handleFrames(const QRectF& selection);

} // namespace overlay_layout
} // namespace tolvane
