#include "workspace/route_pill.h"

#include "ui/theme.h"
#include "workspace/meta_text.h"
#include "workspace/workspace_paint.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace tolvane {
namespace {

constexpr qreal dotSize = 6;
constexpr qreal spacing = 8;
constexpr qreal cornerRadius = 7;

} // namespace

RoutePill::RoutePill(QWidget* parent) : QWidget(parent) {
    resize(size);
}

void RoutePill::setText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    update();
}

void RoutePill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = paintFrame(this);
    QPainterPath shape;
    shape.addRoundedRect(frame, cornerRadius, cornerRadius);
    painter.fillPath(shape, goldAt(0.055));
    QPainterPath edge;
    edge.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
    painter.setPen(QPen(goldAt(0.2), 1));
    painter.drawPath(edge);

    // Dot and text, centred together; a label wider than the pill is cut.
    const QFont font = MetaText::font();
    const QFontMetricsF metrics(font);
    const qreal room = frame.width() - dotSize - spacing - 8;
    const QString shown = metrics.elidedText(m_text, Qt::ElideRight, room);
    const qreal textWidth = metrics.horizontalAdvance(shown);
    const qreal left = frame.left() + (frame.width() - dotSize - spacing - textWidth) / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::colorBDA46B());
    painter.drawEllipse(QRectF(left, frame.center().y() - dotSize / 2, dotSize, dotSize));
    painter.setFont(font);
    painter.setPen(Theme::colorBDA46B());
    painter.drawText(QRectF(left + dotSize + spacing, frame.top(), textWidth + 1, frame.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

} // namespace tolvane
