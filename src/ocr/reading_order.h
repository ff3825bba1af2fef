#pragma once

#include "ocr/text_recognizer.h"

#include <QSizeF>
#include <vector>

namespace tolvane {

// Boxes whose vertical midpoints (as a fraction of the image height) differ by at most this are one line.
inline constexpr double kSameLineTolerance = 0.018;

// Puts lines into reading order: top to bottom, and left to right within a line. Lines are grouped first
// (sorted by vertical midpoint; a line starts a new group when its midpoint lies more than the tolerance
// below the group's first line), then each group is ordered by left edge. Unlike a pairwise "same line
// if close" comparison this is a strict weak ordering, so the result is well defined for any input.
void sortIntoReadingOrder(std::vector<RecognizedLine>& lines, const QSizeF& imageSize);

} // namespace tolvane
