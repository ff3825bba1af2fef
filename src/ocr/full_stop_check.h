#pragma once

#include <QImage>
#include <QRect>

namespace tolvane {

// Tells whether a mark the engine boxed as a comma in one recognised line is drawn as a full stop: a small
// mark in the line's lower half, about as wide as it is tall and the same in the mirror (a terminal's bitmap
// font draws its full stop as a small cross the engine takes for a comma; a comma's tail always bends one
// way). Made once per line, for the line's background grey level.
class FullStopCheck {
public:
    // `grey` is the recognised image in 8-bit grey, `line` the line's box in its pixels.
    FullStopCheck(const QImage& grey, const QRect& line);

    // `mark` in the image's pixels.
    bool commaIsDrawnAsFullStop(const QRect& mark) const;

private:
    QImage m_grey;
    QRect m_area;
    int m_background = -1; // none: not a grey image, or a line too low to tell
};

} // namespace tolvane
