#include "ui/pencil_icon.h"

#include "ui/icon_provider.h"

#include <QPaintDevice>
#include <QPainter>

namespace tolvane {

QPixmap PencilIcon::image(const QColor& color, qreal devicePixelRatio) const {
    return image(color, devicePixelRatio, IconProvider::shared());
}

QPixmap PencilIcon::image(const QColor& color, qreal devicePixelRatio, IconProvider& provider) const {
    return provider.pixmap(asset, size, color, devicePixelRatio);
}

QIcon PencilIcon::icon(const QColor& color, qreal devicePixelRatio) const {
    return QIcon(image(color, devicePixelRatio));
}

void PencilIcon::paint(QPainter& painter, const QRectF& frame, const QColor& color) const {
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap pixmap = image(color, dpr);
    if (pixmap.isNull())
        return;
    const QSizeF logical = pixmap.deviceIndependentSize();
    const QPointF topLeft(frame.center().x() - logical.width() / 2,
                          frame.center().y() - logical.height() / 2);
    painter.drawPixmap(QRectF(topLeft, logical), pixmap, QRectF(pixmap.rect()));
}

} // namespace tolvane
