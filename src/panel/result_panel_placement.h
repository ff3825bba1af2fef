#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace tolvane {

// A screen as placement sees it: its whole frame and the part windows may use (without panels and docks).
struct PlacementScreen {
    QRectF frame;
    QRectF available;
};

// The panel's top-left corner, in global top-left coordinates. Anchored to a selection rectangle it goes
// 14 below the selection's lower edge, or above the selection when there is no room below; without an
// anchor it goes below the pointer. It keeps 12 from the edges of the available area, the right and top
// margins winning on an area too small. `fallbackScreen` indexes the screen used when the anchor point lies
// on no screen; with no screens at all there is no placement.
std::optional<QPointF> panelTopLeft(QSizeF size, std::optional<QRectF> anchor, QPointF cursor,
                                    const QList<PlacementScreen>& screens, int fallbackScreen);

} // namespace tolvane
