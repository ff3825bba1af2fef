#pragma once

#include "ui/pencil_icon_asset.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QString>

namespace tolvane {

// Draws the interface's icons from SVG: the design's symbol names map to bundled Lucide icons, tinted with
// the caller's colour; assets with artwork use it when a readable file is found. Pixmaps are cached by
// name, size, colour and device pixel ratio. Main thread only.
class IconProvider {
public:
    // `artworkRoot` holds the optional artwork (searched in its "Lucide" subfolder first, then the root);
    // `symbolRoot` holds the Lucide SVGs by their Lucide names.
    explicit IconProvider(QString artworkRoot = QStringLiteral(":"),
                          QString symbolRoot = QStringLiteral(":/icons/lucide"));

    // The provider the application's views share, over the bundled resources.
    static IconProvider& shared();

    // The Lucide icon standing in for a system symbol name; empty when the name is unknown.
    static QString lucideNameForSymbol(const QString& symbolName);
    // Whether the symbol is drawn filled rather than stroked.
    static bool isFilledSymbol(const QString& symbolName);

    // The asset's image in a `size` x `size` logical square. Symbols (and artwork drawn with
    // "currentColor") take `color`; other artwork keeps its own colours. Null only when neither the
    // artwork nor the symbol can be drawn.
    QPixmap pixmap(PencilIconAsset asset, qreal size, const QColor& color, qreal devicePixelRatio = 1.0);
    QPixmap symbolPixmap(const QString& symbolName, qreal size, const QColor& color,
                         qreal devicePixelRatio = 1.0);

    // Where the asset's artwork was found; empty when it has none or none is present.
    QString artworkPath(PencilIconAsset asset) const;

    // Renders SVG bytes aspect-fit and centred in the square; "currentColor" becomes `tint` first (and
    // with `filled`, unfilled shapes are filled with it too). Null when the bytes are no readable SVG.
    static QPixmap renderSvg(QByteArray svg, qreal size, const QColor& tint, qreal devicePixelRatio,
                             bool filled = false);

private:
    QPixmap cached(const QString& key, const QString& path, qreal size, const QColor& color, qreal dpr,
                   bool filled);

    QString m_artworkRoot;
    QString m_symbolRoot;
    QHash<QString, QPixmap> m_cache;
};

} // namespace tolvane
