#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <utility>
#include <vector>

namespace tolvane {

// Grey levels further than this from the background are ink (or, on a highlight bar, its other polarity).
inline constexpr int kInkContrast = 64;

// The commonest grey level of an 8-bit grey image: the background most of the picture shows.
int commonestGreyLevel(const QImage& grey);

// One byte per pixel of an 8-bit grey image, row by row: 1 where the grey level is further than `contrast`
// from `background`.
std::vector<uint8_t> inkMask(const QImage& grey, int background, int contrast);

// An 8-connected mark of ink: its box and how many pixels it has.
struct InkMark {
    QRect box;
    int pixels = 0;
};

std::vector<InkMark> findInkMarks(const std::vector<uint8_t>& ink, int width, int height);

// The first and last column of the longest run of ink along row `y` of `box` in an ink mask `width` wide;
// an empty run (last before first) when the row holds none.
std::pair<int, int> longestInkRun(const std::vector<uint8_t>& ink, int width, const QRect& box, int y);

} // namespace tolvane
