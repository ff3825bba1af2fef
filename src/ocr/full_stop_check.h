#pragma once

#include <QImage>
#include <QRect>

namespace tolvane {

// Whether the mark the engine boxed as a comma at `mark` in its `line` is drawn as a full stop: a small mark
// in the line's lower half, about as wide as it is tall and the same in the mirror (a terminal's bitmap font
// draws its full stop as a small cross the engine takes for a comma; a comma's tail always bends one way).
// `grey` is the recognised image in 8-bit grey, both boxes in its pixels.
bool commaIsDrawnAsFullStop(const QImage& grey, const QRect& mark, const QRect& line);

} // namespace tolvane
