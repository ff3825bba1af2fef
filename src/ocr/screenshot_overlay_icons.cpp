#include "ocr/screenshot_overlay_icons.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

namespace tolvane {

QString overlayIconPath(const QString& name) {
    for (const QString& path :
         {QStringLiteral(":/Lucide/%1.svg").arg(name), QStringLiteral(":/%1.svg").arg(name)}) {
        if (QFile::exists(path))
            return path;
    }
    return {};
}

void drawOverlayIcon(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color) {
    const QString path = overlayIconPath(name);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    renderer.render(&painter, rect);
    painter.restore();
}

} // namespace tolvane
