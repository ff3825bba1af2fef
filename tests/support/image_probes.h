#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace tolvane::testing {

// The pixels of `region` (the whole image when empty) whose colour satisfies `matches`: how many there are
// and the box around them.
template <typename Predicate>
int countPixels(const QImage& image, Predicate matches, QRect region = {}) {
    region = region.isEmpty() ? image.rect() : region & image.rect();
    int count = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            count += matches(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

template <typename Predicate>
QRect pixelBounds(const QImage& image, Predicate matches, QRect region = {}) {
    region = region.isEmpty() ? image.rect() : region & image.rect();
    QRect bounds;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            if (matches(image.pixelColor(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace tolvane::testing
