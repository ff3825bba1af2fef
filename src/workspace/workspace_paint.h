#pragma once

#include <QColor>
#include <QRectF>

class QPainter;
class QWidget;

namespace tolvane {

// Painting and placement helpers shared by the workspace's views.

// Theme::colorBDA46B at `opacity`: the faint gold grounds and rings of selected controls.
QColor goldAt(qreal opacity);

// A hairline of Theme::color211E1A, 0.5 pixels thick, centred in `frame` along its long side. At a device
// pixel ratio of 1 it comes out as a half-intensity line of one pixel.
void paintHairline(QPainter& painter, const QRectF& frame);
// The hairline along the bottom or the right edge of `bounds`, inside it.
QRectF bottomHairline(const QRectF& bounds);
QRectF trailingHairline(const QRectF& bounds);

// Gives `widget` the smallest whole-pixel geometry covering `rect` (which may lie on half pixels) and
// remembers where inside it the design rectangle lies; paintFrame() hands that rectangle back.
void placeWidget(QWidget* widget, const QRectF& rect);
// The rectangle the widget draws its design into: the one given to placeWidget(), else its whole area.
QRectF paintFrame(const QWidget* widget);

} // namespace tolvane
