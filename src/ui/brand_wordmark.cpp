#include "ui/brand_wordmark.h"

#include "ui/brand_artwork.h"

#include <QPainter>
#include <cmath>

namespace tolvane {

OndrelWordmark::OndrelWordmark(qreal width, QWidget* parent) : QWidget(parent), m_width(width) {
    setAccessibleName(QStringLiteral("Ondrel"));
    setFixedSize(sizeHint());
}

QSizeF OndrelWordmark::sizeFor(qreal width) {
    return {width, width * brand_artwork::wordmarkAspect};
}

QSize OndrelWordmark::sizeHint() const {
    const QSizeF size = sizeFor(m_width);
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

void OndrelWordmark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    brand_artwork::paintWordmark(painter, QRectF(QPointF(0, 0), sizeFor(m_width)));
}

} // namespace tolvane
