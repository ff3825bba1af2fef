#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <optional>

namespace tolvane {

// Where the parts of the brand lockup go; every spacing and corner derives from the mark size.
struct BrandLockupGeometry {
    qreal rowSpacing = 0;    // between the tile and the text column
    qreal columnSpacing = 0; // between the wordmark and the tagline
    qreal tileRadius = 0;
    qreal markInset = 0;
    QRectF tile;
    QRectF mark;
    QRectF wordmark;
    QRectF tagline; // empty without a tagline
    QSizeF size;
};

// `taglineHeight` is the tagline line's height, or none when there is no tagline.
BrandLockupGeometry lockupGeometry(qreal markSize, qreal wordmarkWidth, std::optional<qreal> taglineHeight);

// A text fitted to one line of `availableWidth`: its font (letter spacing included) shrunk down to
// `minimumScale` of its size, then the text elided.
struct FittedText {
    QFont font;
    QString text;
    qreal scale = 1;
};
FittedText fitText(const QString& text, const QFont& font, qreal availableWidth, qreal minimumScale);

// The tagline fitted to one line of `availableWidth`: shrunk down to 0.74 of its size, then elided.
using FittedTagline = FittedText;
FittedTagline fitTagline(const QString& text, const QFont& font, qreal availableWidth);

// The tagline's font: the mono semibold face at `pointSize` design points, tracked by 0.09 of the size.
QFont taglineFont(qreal pointSize);

// The full lockup: the mark on a gold tile, the wordmark beside it and an optional upper-case tagline under
// the wordmark. One accessibility element; its parts are painted.
class OndrelBrandLockup : public QWidget {
    Q_OBJECT

public:
    OndrelBrandLockup(qreal markSize, qreal wordmarkWidth, qreal taglineFontSize,
                      std::optional<QString> tagline, QColor taglineColor, QWidget* parent = nullptr);

    BrandLockupGeometry geometry() const;
    // The tagline as drawn in the current width (upper case, fitted).
    FittedTagline fittedTagline() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_markSize;
    qreal m_wordmarkWidth;
    qreal m_taglineFontSize;
    std::optional<QString> m_tagline;
    QColor m_taglineColor;
};

} // namespace tolvane
