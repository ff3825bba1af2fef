#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>

namespace tolvane::testing {

// The pixels of `region` (the whole image when empty) whose colour satisfies `matches`: how many there are
// and the box around them.
template <typename Predicate> int countPixels(const QImage& image, Predicate matches, QRect region = {}) {
    region = region.isEmpty() ? image.rect() : region & image.rect();
    int count = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            count += matches(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

template <typename Predicate> QRect pixelBounds(const QImage& image, Predicate matches, QRect region = {}) {
    region = region.isEmpty() ? image.rect() : region & image.rect();
    QRect bounds;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (matches(image.pixelColor(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The largest difference in one colour channel.
inline int distance(const QColor& a, const QColor& b) {
    return std::max(
        {std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

inline ::testing::AssertionResult near(const QImage& image, QPoint at, const QColor& expected,
                                       int tolerance = 3) {
    const QColor actual = image.pixelColor(at);
    if (distance(actual, expected) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << at.x() << "," << at.y() << ") is " << actual.name().toStdString() << ", expected "
           << expected.name().toStdString();
}

// The bounding box of the pixels in `region` that differ from `background` by more than `threshold`.
inline QRect inkBox(const QImage& image, const QRect& region, const QColor& background, int threshold = 24) {
    return pixelBounds(
        image, [&](const QColor& c) { return distance(c, background) > threshold; }, region);
}

// The pixel of `region` closest to `colour`: a glyph core drawn in that colour matches it within a few
// levels, the anti-aliased edges do not.
inline int closestDistance(const QImage& image, const QRect& region, const QColor& colour) {
    int best = INT_MAX;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            best = std::min(best, distance(image.pixelColor(x, y), colour));
    return best;
}

} // namespace tolvane::testing
