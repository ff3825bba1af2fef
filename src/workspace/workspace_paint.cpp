#include "workspace/workspace_paint.h"

#include "ui/theme.h"

#include <QPainter>
#include <QVariant>
#include <QWidget>
#include <cmath>

namespace tolvane {
namespace {

constexpr qreal hairlineThickness = 0.5;
constexpr char designFrameProperty[] = "tolvaneDesignFrame";

} // namespace

QColor goldAt(qreal opacity) {
    QColor color = Theme::colorBDA46B();
    color.setAlphaF(opacity);
    return color;
}

void paintHairline(QPainter& painter, const QRectF& frame) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::color211E1A());
    QRectF line = frame;
    if (frame.width() >= frame.height())
        line = QRectF(frame.left(), frame.center().y() - hairlineThickness / 2, frame.width(),
                      hairlineThickness);
    else
        line = QRectF(frame.center().x() - hairlineThickness / 2, frame.top(), hairlineThickness,
                      frame.height());
    painter.drawRect(line);
    painter.restore();
}

QRectF bottomHairline(const QRectF& bounds) {
    return {bounds.left(), bounds.bottom() - hairlineThickness, bounds.width(), hairlineThickness};
}

QRectF trailingHairline(const QRectF& bounds) {
    return {bounds.right() - hairlineThickness, bounds.top(), hairlineThickness, bounds.height()};
}

void placeWidget(QWidget* widget, const QRectF& rect) {
    const QRect whole(QPoint(int(std::floor(rect.left())), int(std::floor(rect.top()))),
                      QPoint(int(std::ceil(rect.right())) - 1, int(std::ceil(rect.bottom())) - 1));
    widget->setProperty(designFrameProperty, rect.translated(-whole.topLeft()));
    widget->setGeometry(whole);
}

QRectF paintFrame(const QWidget* widget) {
    const QVariant frame = widget->property(designFrameProperty);
    return frame.isValid() ? frame.toRectF() : QRectF(widget->rect());
}

} // namespace tolvane
