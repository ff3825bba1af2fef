#include "ui/icon_provider.h"

#include "core/logging.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>

namespace tolvane {

namespace {

struct SymbolRow {
    const char* symbol;
    const char* lucide;
    bool filled;
};

constexpr SymbolRow symbolRows[] = {
    {"translate", "languages", false},
    {"viewfinder", "scan", false},
    {"arrow.right", "arrow-right", false},
    {"clock", "clock", false},
    {"slider.horizontal.3", "sliders-horizontal", false},
    {"book.closed", "book", false},
    {"cursorarrow", "mouse-pointer-2", false},
    {"plus", "plus", false},
    {"magnifyingglass", "search", false},
    {"chevron.down", "chevron-down", false},
    {"arrow.left.arrow.right", "arrow-left-right", false},
    {"xmark", "x", false},
    {"paperclip", "paperclip", false},
    {"doc.on.doc", "copy", false},
    {"arrow.triangle.2.circlepath", "refresh-cw", false},
    {"bookmark", "bookmark", false},
    {"arrow.counterclockwise", "rotate-ccw", false},
    {"checkmark", "check", false},
    {"info.circle", "info", false},
    {"sparkles", "sparkles", false},
    {"checkmark.circle.fill", "circle-check", false},
    {"stop.circle.fill", "circle-stop", false},
    {"text.badge.xmark", "list-x", false},
    {"exclamationmark.triangle.fill", "triangle-alert", false},
    {"stop.fill", "square", true},
    {"arrow.right.circle.fill", "circle-arrow-right", false},
    {"return", "corner-down-left", false},
    {"arrow.clockwise", "rotate-cw", false},
    {"trash", "trash-2", false},
    {"doc", "file", false},
    {"character.bubble", "message-square-text", false},
    {"character.book.closed", "book-a", false},
    {"keyboard", "keyboard", false},
    {"checkmark.shield", "shield-check", false},
    {"exclamationmark", "circle-alert", false},
    {"macwindow", "app-window-mac", false},
    {"rectangle.inset.filled", "rectangle-horizontal", true},
    {"rectangle.dashed", "square-dashed", false},
    {"questionmark.circle", "circle-help", false},
    {"point.3.connected.trianglepath.dotted", "waypoints", false},
    {"gauge.with.dots.needle.50percent", "gauge", false},
    {"textformat", "type", false},
    {"character.cursor.ibeam", "text-cursor-input", false},
    {"text.quote", "text-quote", false},
    {"network", "network", false},
    {"cpu", "cpu", false},
    {"key", "key-round", false},
    {"accessibility", "accessibility", false},
    {"keyboard.badge.ellipsis", "keyboard", false},
    {"internaldrive", "hard-drive", false},
    {"character.textbox", "text-select", false},
    {"text.viewfinder", "scan-text", false},
    {"circle", "circle", false},
    {"lock.shield", "shield-lock", false},
    {"globe.asia.australia", "earth", false},
    {"cursorarrow.motionlines", "mouse-pointer-click", false},
    {"rectangle.dashed.badge.record", "screen-share", false},
    {"circle.dashed", "circle-dashed", false},
    {"globe", "globe", false},
};

const SymbolRow* findSymbol(const QString& symbolName) {
    for (const SymbolRow& row : symbolRows) {
        if (symbolName == QLatin1String(row.symbol))
            return &row;
    }
    return nullptr;
}

QString cacheKey(const QString& path, qreal size, const QColor& color, qreal dpr) {
    return QStringLiteral("%1|%2|%3|%4").arg(path).arg(size).arg(color.name(QColor::HexArgb)).arg(dpr);
}

} // namespace

IconProvider::IconProvider(QString artworkRoot, QString symbolRoot)
    : m_artworkRoot(std::move(artworkRoot)), m_symbolRoot(std::move(symbolRoot)) {}

IconProvider& IconProvider::shared() {
    static IconProvider provider;
    return provider;
}

QString IconProvider::lucideNameForSymbol(const QString& symbolName) {
    const SymbolRow* row = findSymbol(symbolName);
    return row ? QString::fromLatin1(row->lucide) : QString();
}

bool IconProvider::isFilledSymbol(const QString& symbolName) {
    const SymbolRow* row = findSymbol(symbolName);
    return row && row->filled;
}

QString IconProvider::artworkPath(PencilIconAsset asset) const {
    if (!triesArtworkFirst(asset))
        return {};
    const QString file = rawValue(asset) + QStringLiteral(".svg");
    for (const QString& candidate :
         {m_artworkRoot + QStringLiteral("/Lucide/") + file, m_artworkRoot + QLatin1Char('/') + file}) {
        if (QFile::exists(candidate))
            return candidate;
    }
    return {};
}

QPixmap IconProvider::pixmap(PencilIconAsset asset, qreal size, const QColor& color, qreal devicePixelRatio) {
    const QString artwork = artworkPath(asset);
    if (!artwork.isEmpty()) {
        QPixmap drawn = cached(cacheKey(artwork, size, color, devicePixelRatio), artwork, size, color,
                               devicePixelRatio, false);
        if (!drawn.isNull())
            return drawn;
        qCWarning(lcApp).noquote() << "Icon artwork unreadable, drawing its symbol:" << artwork;
    }
    return symbolPixmap(iconSystemSymbolName(asset), size, color, devicePixelRatio);
}

QPixmap IconProvider::symbolPixmap(const QString& symbolName, qreal size, const QColor& color,
                                   qreal devicePixelRatio) {
    const QString lucide = lucideNameForSymbol(symbolName);
    if (lucide.isEmpty()) {
        qCWarning(lcApp).noquote() << "No icon for symbol" << symbolName;
        return {};
    }
    const QString path = m_symbolRoot + QLatin1Char('/') + lucide + QStringLiteral(".svg");
    return cached(cacheKey(path, size, color, devicePixelRatio), path, size, color, devicePixelRatio,
                  isFilledSymbol(symbolName));
}

QPixmap IconProvider::cached(const QString& key, const QString& path, qreal size, const QColor& color,
                             qreal dpr, bool filled) {
    if (auto it = m_cache.constFind(key); it != m_cache.constEnd())
        return *it;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QPixmap drawn = renderSvg(file.readAll(), size, color, dpr, filled);
    // Unreadable files are not cached, so a later fix of the file is picked up.
    if (!drawn.isNull())
        m_cache.insert(key, drawn);
    return drawn;
}

QPixmap IconProvider::renderSvg(QByteArray svg, qreal size, const QColor& tint, qreal devicePixelRatio,
                                bool filled) {
    if (size <= 0 || devicePixelRatio <= 0)
        return {};
    const QByteArray colour = tint.name(QColor::HexRgb).toLatin1();
    // QtSvg draws "currentColor" as black, so the colour is written into the document itself.
    svg.replace("currentColor", colour);
    if (filled)
        svg.replace("fill=\"none\"", "fill=\"" + colour + "\"");
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return {};

    const int side = std::max(1, int(std::ceil(size * devicePixelRatio)));
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QRectF viewBox = renderer.viewBoxF();
    if (viewBox.isEmpty())
        viewBox = QRectF(QPointF(0, 0), renderer.defaultSize());
    QRectF target(0, 0, side, side);
    if (!viewBox.isEmpty()) {
        const qreal scale = std::min(side / viewBox.width(), side / viewBox.height());
        const QSizeF fitted(viewBox.width() * scale, viewBox.height() * scale);
        target = QRectF(QPointF((side - fitted.width()) / 2, (side - fitted.height()) / 2), fitted);
    }
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // Tint alpha applies on top of the opaque colour written into the document.
        painter.setOpacity(tint.alphaF());
        renderer.render(&painter, target);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace tolvane
