#include "workspace/meta_text.h"

#include "ui/theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tolvane {

MetaText::MetaText(const QString& text, const QColor& color, QWidget* parent)
    : QWidget(parent), m_text(text), m_color(color) {
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QFont MetaText::font() {
    QFont font = Theme::plexMonoSemiBold9();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.7);
    return font;
}

void MetaText::setText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void MetaText::setColor(const QColor& color) {
    m_color = color;
    update();
}

void MetaText::setWraps(bool wraps) {
    m_wraps = wraps;
    setSizePolicy(QSizePolicy::Preferred, wraps ? QSizePolicy::Preferred : QSizePolicy::Fixed);
    updateGeometry();
    update();
}

int MetaText::heightForWidth(int width) const {
    if (!m_wraps)
        return -1;
    const QRectF lines =
        QFontMetricsF(font()).boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, m_text);
    return std::max(int(std::ceil(lines.height())), sizeHint().height());
}

QSize MetaText::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {int(std::ceil(metrics.horizontalAdvance(m_text))), int(std::ceil(metrics.height()))};
}

QSize MetaText::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void MetaText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(m_color);
    if (m_wraps) {
        painter.drawText(QRectF(rect()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_text);
        return;
    }
    const QFontMetricsF metrics(font());
    const QString shown = metrics.elidedText(m_text, Qt::ElideRight, width());
    painter.drawText(QRectF(rect()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

} // namespace tolvane
