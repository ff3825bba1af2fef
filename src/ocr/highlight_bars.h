#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <vector>

namespace tolvane {

// The boxes of the highlight bars in a picture's ink mask (`width` x `height`, one byte per pixel): marks of
// the other polarity at least a short line's height, much wider than high, mostly filled (their text shows as
// holes in them) and rectangles whose top or bottom row is ink almost from end to end (the other may be cut
// by the picture's edge), as a selected line or row, a header bar or a dark button is; a window's frame or a
// rule joined to a bar is no part of it. No glyph or text cursor is a bar, nor a few dense glyphs joined, nor
// a glyph joined to a cursor.
std::vector<QRect> findHighlightBars(const std::vector<uint8_t>& ink, int width, int height);

// The picture in 8-bit grey with every highlight bar turned to the polarity of the rest: the bar takes the
// background's grey level and its text the far end of the scale from it, so that a light window with a dark
// selected line (or a dark one with a light bar) reads as one polarity throughout. The engine and the
// clean-up passes expect that; a bar is no caret or frame. Each shade of a bar joined to another is turned
// on its own; the rows of text the picture's top or bottom edge cuts (the rest of a title bar above a
// dragged region) stay as they are.
QImage withHighlightBarsInPagePolarity(const QImage& image);

} // namespace tolvane
