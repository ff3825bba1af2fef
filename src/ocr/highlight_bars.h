#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <vector>

namespace tolvane {

// The boxes of the highlight bars in a picture (`grey`, 8-bit) with its ink mask (one byte per pixel, 1 for
// the other polarity): marks of the other polarity at least a short line's height, much wider than high (or,
// holding text, as a word selected on its own does, about as wide as high), mostly filled (their text shows
// as holes in them) and rectangles whose top or bottom row is ink almost from end to end, as a selected line,
// row or word, a header bar or a dark button is; a cursor or a window's frame joined to a bar is no part of
// it. No glyph or text cursor is a bar, nor a few dense glyphs joined, nor a glyph joined to a cursor. Rows
// of text the picture's top or bottom edge cuts (the rest of a title bar above a dragged region), with the
// upper half of the empty rows after them, are left out of a bar unless they still hold a whole line (a
// selected line the region was dragged tight over); a bar of nothing else is none.
std::vector<QRect> findHighlightBars(const QImage& grey, const std::vector<uint8_t>& ink);

// The picture in 8-bit grey with every highlight bar turned to the polarity of the rest: the bar takes the
// background's grey level and its text the level of the page's own text, so that a light window with a dark
// selected line (or a dark one with a light bar) reads as one polarity throughout. The engine and the
// clean-up passes expect that; a bar is no caret or frame. Each shade of a bar joined to another is turned
// on its own.
QImage withHighlightBarsInPagePolarity(const QImage& image);

} // namespace tolvane
