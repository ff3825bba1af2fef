#pragma once

#include <QRectF>

class QPainter;

namespace tolvane {

// The brand artwork: the designer's SVGs from the resources (":/brand/BrandMark.svg",
// ":/brand/BrandWordmark.svg") when present, else drawn stand-ins (the "languages" symbol for the mark, the
// brand name in Manrope for the wordmark). Both are stretched into the given rectangle.
namespace brand_artwork {

inline constexpr qreal wordmarkAspect = 51.0 / 216.0; // height per width

void paintMark(QPainter& painter, const QRectF& rect);
void paintWordmark(QPainter& painter, const QRectF& rect);

} // namespace brand_artwork
} // namespace tolvane
