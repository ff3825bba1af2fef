#include "ui/brand_lockup.h"

#include "ui/brand_artwork.h"
#include "ui/theme.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tolvane {
namespace {

constexpr qreal minimumTaglineScale = 0.74;

qreal lineHeight(const QFont& font) {
    return QFontMetricsF(font).height();
}

} // namespace

BrandLockupGeometry lockupGeometry(qreal markSize, qreal wordmarkWidth, std::optional<qreal> taglineHeight) {
    BrandLockupGeometry g;
    g.rowSpacing = std::max(markSize * 0.28, 8.0);
    g.columnSpacing = std::max(markSize * 0.035, 1.0);
    g.tileRadius = markSize * 0.2;
    g.markInset = markSize * 0.17;
    const QSizeF wordmark(wordmarkWidth, wordmarkWidth * brand_artwork::wordmarkAspect);
    const qreal columnHeight = wordmark.height() + (taglineHeight ? g.columnSpacing + *taglineHeight : 0);
    const qreal height = std::max(markSize, columnHeight);
    g.tile = QRectF(0, (height - markSize) / 2, markSize, markSize);
    g.mark = g.tile.adjusted(g.markInset, g.markInset, -g.markInset, -g.markInset);
    const qreal columnX = markSize + g.rowSpacing;
    const qreal columnTop = (height - columnHeight) / 2;
    g.wordmark = QRectF(QPointF(columnX, columnTop), wordmark);
    if (taglineHeight)
        g.tagline = QRectF(columnX, g.wordmark.bottom() + g.columnSpacing, wordmarkWidth, *taglineHeight);
    g.size = QSizeF(columnX + wordmarkWidth, height);
    return g;
}

QFont taglineFont(qreal pointSize) {
    QFont font = Theme::fontForFace(QStringLiteral("IBMPlexMono-SemiBold"), pointSize);
    font.setLetterSpacing(QFont::AbsoluteSpacing, pointSize * 0.09);
    return font;
}

FittedText fitText(const QString& text, const QFont& font, qreal availableWidth, qreal minimumScale) {
    FittedText fitted{font, text, 1};
    const qreal natural = QFontMetricsF(font).horizontalAdvance(text);
    if (natural <= availableWidth || natural <= 0)
        return fitted;
    fitted.scale = std::max(availableWidth / natural, minimumScale);
    const qreal size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
    const qreal scaledSize = size * fitted.scale;
    if (font.pixelSize() > 0)
        fitted.font.setPixelSize(std::max(1, int(std::floor(scaledSize))));
    else
        fitted.font.setPointSizeF(scaledSize);
    if (font.letterSpacingType() == QFont::AbsoluteSpacing)
        fitted.font.setLetterSpacing(QFont::AbsoluteSpacing, font.letterSpacing() * fitted.scale);
    // Eliding leaves the letter spacing of the last characters out of its sum: narrow the room until the
    // text with its spacing fits.
    const QFontMetricsF metrics(fitted.font);
    qreal room = availableWidth;
    do {
        fitted.text = metrics.elidedText(text, Qt::ElideRight, room);
        room -= 1;
    } while (room > 0 && metrics.horizontalAdvance(fitted.text) > availableWidth);
    return fitted;
}

FittedTagline fitTagline(const QString& text, const QFont& font, qreal availableWidth) {
    return fitText(text, font, availableWidth, minimumTaglineScale);
}

OndrelBrandLockup::OndrelBrandLockup(qreal markSize, qreal wordmarkWidth, qreal taglineFontSize,
                                     std::optional<QString> tagline, QColor taglineColor, QWidget* parent)
    : QWidget(parent), m_markSize(markSize), m_wordmarkWidth(wordmarkWidth),
      m_taglineFontSize(taglineFontSize), m_tagline(std::move(tagline)), m_taglineColor(taglineColor) {
    const bool named = m_tagline && !m_tagline->isEmpty();
    setAccessibleName(named ? QStringLiteral("Ondrel, ") + *m_tagline : QStringLiteral("Ondrel"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

BrandLockupGeometry OndrelBrandLockup::geometry() const {
    std::optional<qreal> taglineHeight;
    if (m_tagline)
        taglineHeight = lineHeight(taglineFont(m_taglineFontSize));
    return lockupGeometry(m_markSize, m_wordmarkWidth, taglineHeight);
}

FittedTagline OndrelBrandLockup::fittedTagline() const {
    if (!m_tagline)
        return {};
    const BrandLockupGeometry g = geometry();
    const qreal available = std::max<qreal>(0, width() - g.tagline.left());
    return fitTagline(QLocale().toUpper(*m_tagline), taglineFont(m_taglineFontSize), available);
}

QSize OndrelBrandLockup::sizeHint() const {
    QSizeF size = geometry().size;
    if (m_tagline) {
        const qreal natural =
            QFontMetricsF(taglineFont(m_taglineFontSize)).horizontalAdvance(QLocale().toUpper(*m_tagline));
        size.setWidth(std::max(size.width(), geometry().tagline.left() + natural));
    }
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

QSize OndrelBrandLockup::minimumSizeHint() const {
    const QSizeF size = geometry().size;
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

void OndrelBrandLockup::paintEvent(QPaintEvent*) {
    const BrandLockupGeometry g = geometry();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath tile;
    tile.addRoundedRect(g.tile, g.tileRadius, g.tileRadius);
    painter.fillPath(tile, Theme::colorBDA46B());
    brand_artwork::paintMark(painter, g.mark);
    brand_artwork::paintWordmark(painter, g.wordmark);
    if (m_tagline) {
        const FittedTagline fitted = fittedTagline();
        painter.setFont(fitted.font);
        painter.setPen(m_taglineColor);
        QRectF line = g.tagline;
        line.setRight(width());
        painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, fitted.text);
    }
}

} // namespace tolvane
