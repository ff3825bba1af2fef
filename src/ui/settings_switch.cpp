#include "ui/settings_switch.h"

#include "ui/theme.h"

#include <QPainter>

namespace tolvane {

SettingsSwitch::SettingsSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SettingsSwitch::sizeHint() const {
    return {38, 22};
}

void SettingsSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = track.height() / 2;
    QColor fill = isChecked() ? Theme::color89947A() : Theme::color2B2824();
    if (!isEnabled())
        fill.setAlphaF(0.5);
    painter.setPen(hasFocus() ? QPen(Theme::colorBDA46B(), 1) : Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, radius, radius);
    const qreal knob = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::colorE9E1D4());
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

} // namespace tolvane
