#include "ui/brand_artwork.h"

#include "ui/icon_provider.h"
#include "ui/theme.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

namespace tolvane::brand_artwork {
namespace {

bool paintSvg(QPainter& painter, const QString& path, const QRectF& rect) {
    if (!QFile::exists(path))
        return false;
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return false;
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    renderer.render(&painter, rect);
    return true;
}

} // namespace

void paintMark(QPainter& painter, const QRectF& rect) {
    if (rect.isEmpty() || paintSvg(painter, QStringLiteral(":/brand/BrandMark.svg"), rect))
        return;
    QFile file(QStringLiteral(":/icons/lucide/languages.svg"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap pixmap = IconProvider::renderSvg(file.readAll(), std::min(rect.width(), rect.height()),
                                                   Theme::color0B0A09(), dpr);
    if (!pixmap.isNull())
        painter.drawPixmap(rect, pixmap, QRectF(QPointF(0, 0), pixmap.size()));
}

void paintWordmark(QPainter& painter, const QRectF& rect) {
    if (rect.isEmpty() || paintSvg(painter, QStringLiteral(":/brand/BrandWordmark.svg"), rect))
        return;
    QPainterPath path;
    path.addText(0, 0, Theme::fontForFace(QStringLiteral("Manrope-Medium"), 100), QStringLiteral("Ondrel"));
    const QRectF bounds = path.boundingRect();
    if (bounds.isEmpty())
        return;
    QTransform transform;
    transform.translate(rect.left(), rect.top());
    transform.scale(rect.width() / bounds.width(), rect.height() / bounds.height());
    transform.translate(-bounds.left(), -bounds.top());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::colorE9E1D4());
    painter.drawPath(transform.map(path));
    painter.restore();
}

} // namespace tolvane::brand_artwork
