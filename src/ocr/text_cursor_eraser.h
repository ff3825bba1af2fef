#pragma once

#include <QImage>

namespace tolvane {

// Paints text cursors out of a screenshot before recognition. A captured editor or terminal shows its caret,
// which the engine otherwise reads as a character ("|", "I", or a Han character for a block) and which can
// spoil the word beside it. Erased, in the background's shade:
// - a block cursor: a filled or outlined rectangle shaped like a character cell (taller than wide), which no
//   letter is;
// - a bar caret: a thin solid vertical line taller than every other mark on its line and reaching below their
//   baseline (the caret spans the whole line height; "l", "I" and "1" stand on the baseline), or with no
//   other mark beside it at all.
// The result is 8-bit grey.
QImage eraseTextCursors(const QImage& image);

} // namespace tolvane
