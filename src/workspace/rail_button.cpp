#include "workspace/rail_button.h"

#include "ui/accessible_widgets.h"
#include "ui/pencil_icon.h"
#include "ui/theme.h"
#include "workspace/workspace_paint.h"

#include <QPainter>
#include <QPainterPath>

namespace tolvane {
namespace {

constexpr qreal cornerRadius = 9;
constexpr qreal railIconSize = 18;

} // namespace

RailButton::RailButton(PencilIconAsset icon, const QString& label, bool selected, QWidget* parent)
    : QAbstractButton(parent), m_icon(icon) {
    setFixedSize(40, 40);
    setFocusPolicy(Qt::TabFocus);
    setCheckable(true);
    setChecked(selected);
    exposeAsSelectionButton(this, QAccessible::PushButton);
    setLabel(label);
}

void RailButton::setLabel(const QString& label) {
    setToolTip(label);
    setAccessibleName(label);
    setText(label);
}

void RailButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The rail sits half a pixel right and up of the whole-pixel grid.
    painter.translate(0.5, -0.5);
    const QRectF frame(0, 0, width(), height());
    const bool selected = isChecked();
    if (selected) {
        QPainterPath ground;
        ground.addRoundedRect(frame, cornerRadius, cornerRadius);
        painter.fillPath(ground, goldAt(0.065));
        QPainterPath ring;
        ring.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
        painter.setPen(QPen(goldAt(0.22), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(ring);
    }
    QColor color = selected ? Theme::colorBDA46B() : Theme::color797168();
    if (isDown())
        color.setAlphaF(0.65);
    PencilIcon{m_icon, railIconSize}.paint(painter, frame, color);
}

} // namespace tolvane
