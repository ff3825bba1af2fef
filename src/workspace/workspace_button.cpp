#include "workspace/workspace_button.h"

#include "ui/brand_lockup.h"
#include "ui/pencil_icon.h"
#include "ui/theme.h"
#include "workspace/workspace_paint.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace tolvane {
namespace {

constexpr qreal cornerRadius = 7;
constexpr qreal sidePadding = 11;
constexpr qreal paddedHeight = 34;
constexpr qreal labelMinimumScale = 0.76;
constexpr qreal pressedLabelOpacity = 0.65;
constexpr qreal pressedFillOpacity = 0.78;
// A disabled button is drawn whole at this opacity, so that it reads as unavailable.
constexpr qreal disabledOpacity = 0.4;

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}

std::optional<QSizeF> fixedSize(WorkspaceButton::Style style) {
    switch (style) {
    case WorkspaceButton::Style::primary:
        return QSizeF(103, 32);
    case WorkspaceButton::Style::titleSecondary:
        return QSizeF(90, 32);
    default:
        return std::nullopt;
    }
}

} // namespace

WorkspaceButton::Label WorkspaceButton::actionLabel(PencilIconAsset icon, const QString& title) {
    return {icon, title, 14, 7, Theme::interMedium12()};
}

WorkspaceButton::WorkspaceButton(Style style, Label label, QWidget* parent)
    : QAbstractButton(parent), m_style(style), m_label(std::move(label)) {
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(m_label.title);
    setText(m_label.title);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void WorkspaceButton::setLabel(Label label) {
    m_label = std::move(label);
    setText(m_label.title);
    updateGeometry();
    update();
}

QColor WorkspaceButton::labelColor() const {
    QColor color;
    switch (m_style) {
    case Style::primary:
        return Theme::color0B0A09();
    case Style::titleSecondary:
    case Style::secondary:
        color = Theme::colorB6AEA2();
        break;
    case Style::outline:
        color = Theme::colorBDA46B();
        break;
    }
    return isDown() ? withAlpha(color, pressedLabelOpacity) : color;
}

QColor WorkspaceButton::fillColor() const {
    switch (m_style) {
    case Style::primary:
        return isDown() ? withAlpha(Theme::colorBDA46B(), pressedFillOpacity) : Theme::colorBDA46B();
    case Style::titleSecondary:
    case Style::secondary:
        return Theme::color1D1916();
    case Style::outline:
        return withAlpha(Theme::colorBDA46B(), 0.035);
    }
    return {};
}

qreal WorkspaceButton::naturalLabelWidth() const {
    return m_label.iconSize + m_label.spacing + QFontMetricsF(m_label.font).horizontalAdvance(m_label.title);
}

QSize WorkspaceButton::sizeHint() const {
    if (const auto size = fixedSize(m_style))
        return size->toSize();
    return {int(std::ceil(naturalLabelWidth() + 2 * sidePadding)), int(paddedHeight)};
}

QSize WorkspaceButton::minimumSizeHint() const {
    if (const auto size = fixedSize(m_style))
        return size->toSize();
    // The title may shrink to 0.76 of its size before it is cut.
    const qreal title = QFontMetricsF(m_label.font).horizontalAdvance(m_label.title) * labelMinimumScale;
    return {int(std::ceil(m_label.iconSize + m_label.spacing + title + 2 * sidePadding)), int(paddedHeight)};
}

void WorkspaceButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);
    const QRectF frame = paintFrame(this);

    QPainterPath shape;
    shape.addRoundedRect(frame, cornerRadius, cornerRadius);
    painter.fillPath(shape, fillColor());
    std::optional<QColor> stroke;
    if (m_style == Style::titleSecondary || m_style == Style::secondary)
        stroke = Theme::color2B2824();
    else if (m_style == Style::outline)
        stroke = withAlpha(Theme::colorBDA46B(), 0.28);
    if (stroke) {
        QPainterPath edge;
        edge.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5, cornerRadius - 0.5);
        painter.setPen(QPen(*stroke, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(edge);
    }

    // The label, centred; a title that does not fit shrinks, then is cut.
    const qreal padding = fixedSize(m_style) ? 0 : sidePadding;
    const qreal room = frame.width() - 2 * padding - m_label.iconSize - m_label.spacing;
    const FittedText title = fitText(m_label.title, m_label.font, room, labelMinimumScale);
    const qreal titleWidth = QFontMetricsF(title.font).horizontalAdvance(title.text);
    const qreal width = m_label.iconSize + m_label.spacing + titleWidth;
    const qreal left = frame.left() + (frame.width() - width) / 2;
    const QColor color = labelColor();
    PencilIcon{m_label.icon, m_label.iconSize}.paint(
        painter, QRectF(left, frame.center().y() - m_label.iconSize / 2, m_label.iconSize, m_label.iconSize),
        color);
    painter.setFont(title.font);
    painter.setPen(color);
    painter.drawText(
        QRectF(left + m_label.iconSize + m_label.spacing, frame.top(), titleWidth + 1, frame.height()),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title.text);
}

IconButton::IconButton(PencilIconAsset icon, qreal iconSize, const QColor& color, QSize frame,
                       QWidget* parent)
    : QAbstractButton(parent), m_icon(icon), m_iconSize(iconSize), m_color(color), m_frame(frame) {
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(frame);
}

void IconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = m_color;
    if (!isEnabled())
        color.setAlphaF(0.35);
    else if (isDown())
        color.setAlphaF(0.65);
    PencilIcon{m_icon, m_iconSize}.paint(painter, paintFrame(this), color);
}

} // namespace tolvane
