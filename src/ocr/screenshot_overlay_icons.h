#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace tolvane {

// Icon resource names of the overlay (design identifiers, kept as they are).
namespace overlay_icons {
inline const QString badge = QStringLiteral("KjRjl");
inline const QString single = QStringLiteral("VGloF");
inline const QString continuous = QStringLiteral("Hh6pu");
inline const QString batch = QStringLiteral("aDIS9");
inline const QString primaryAction = QStringLiteral("drwsl");
} // namespace overlay_icons

// The resource path of an icon: ":/Lucide/<name>.svg", else ":/<name>.svg"; empty when neither exists.
QString overlayIconPath(const QString& name);

// Draws the named icon into `rect` in `color` (the line icons are drawn in the current colour). A missing
// or unreadable icon draws nothing. Loaded on every call: the overlay redraws only on demand.
void drawOverlayIcon(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);

} // namespace tolvane
