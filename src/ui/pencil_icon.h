#pragma once

#include "ui/pencil_icon_asset.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRectF>

class QPainter;

namespace tolvane {

class IconProvider;

// One interface icon in a square of `size` logical pixels. It is painted by the control that holds it (or
// handed to it as its icon), so assistive technologies never see it as an element of its own; the control
// carries the label. The caller chooses the colour, usually a Theme token.
struct PencilIcon {
    PencilIconAsset asset;
    qreal size;

    QPixmap image(const QColor& color, qreal devicePixelRatio = 1.0) const;
    QPixmap image(const QColor& color, qreal devicePixelRatio, IconProvider& provider) const;
    QIcon icon(const QColor& color, qreal devicePixelRatio = 1.0) const;
    // Draws the icon centred in `frame`.
    void paint(QPainter& painter, const QRectF& frame, const QColor& color) const;
};

} // namespace tolvane
