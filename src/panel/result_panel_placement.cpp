#include "panel/result_panel_placement.h"

#include <algorithm>

namespace tolvane {
namespace {

constexpr qreal gapBelow = 14;
constexpr qreal gapAbove = 24;
constexpr qreal margin = 12;

// QRectF::contains counts the far edges in; a point on the boundary of two screens belongs to the one
// to its right or below.
bool containsPoint(const QRectF& frame, QPointF point) {
    return point.x() >= frame.left() && point.x() < frame.left() + frame.width() &&
           point.y() >= frame.top() && point.y() < frame.top() + frame.height();
}

} // namespace

std::optional<QPointF> panelTopLeft(QSizeF size, std::optional<QRectF> anchor, QPointF cursor,
                                    const QList<PlacementScreen>& screens, int fallbackScreen) {
    if (screens.isEmpty())
        return std::nullopt;
    const QPointF point = anchor ? QPointF(anchor->center().x(), anchor->top() + anchor->height()) : cursor;
    const auto found = std::find_if(screens.begin(), screens.end(), [&](const PlacementScreen& screen) {
        return containsPoint(screen.frame, point);
    });
    const PlacementScreen& screen =
        found != screens.end() ? *found : screens.at(std::clamp(fallbackScreen, 0, int(screens.size()) - 1));
    const QRectF& v = screen.available;
    const qreal w = size.width();
    const qreal h = size.height();
    const qreal right = v.left() + v.width();
    const qreal bottom = v.top() + v.height();

    qreal x = point.x() - w / 2;
    qreal y = point.y() + gapBelow;
    if (y + h > bottom - margin) {
        // Above instead. A selection taller than the gap would be covered by "24 above its lower edge",
        // so the panel never comes lower than the selection's top.
        const qreal panelBottom =
            anchor ? std::min(point.y() - gapAbove, anchor->top()) : point.y() - gapAbove;
        y = panelBottom - h;
    }
    x = std::max(x, v.left() + margin);
    x = std::min(x, right - w - margin);
    y = std::min(y, bottom - h - margin);
    y = std::max(y, v.top() + margin);
    return QPointF(x, y);
}

} // namespace tolvane
