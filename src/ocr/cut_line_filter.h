#pragma once

#include "ocr/text_recognizer.h"

#include <QSize>
#include <vector>

namespace tolvane {

// Drops the lines a region's top or bottom edge cuts through, which are not readable text: the lower part
// of a title bar or toolbar a dragged region reaches into, or half a line of text. Such a line touches the
// edge and is clearly lower than the body's lines (under 70 % of their median height), or somewhat lower
// (under 90 %) and read with little confidence (below 0.5). A picture with fewer than two lines is kept as
// it is: there is no body to compare with.
void dropCutLines(std::vector<RecognizedLine>& lines, const QSize& imageSize);

// The median height of the lines' boxes; 0 without lines.
double medianLineHeight(const std::vector<RecognizedLine>& lines);

} // namespace tolvane
