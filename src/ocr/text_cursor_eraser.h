#pragma once

#include <QImage>

namespace tolvane {

// Paints text cursors out of a screenshot before recognition. A captured editor or terminal shows its caret,
// which the engine otherwise reads as a character ("|", "I", or a Han character for a block) and which can
// spoil the word beside it. Erased, in the background's shade:
// - a block cursor: a filled or outlined rectangle shaped like a character cell (taller than wide), which no
//   letter is, also when it touches the glyph before it (found by its columns: each one ink from the cell's
//   top to its bottom; an outline must be empty inside);
// - a bar caret: a thin solid vertical line that spans its whole line, starting above every other mark there
//   and ending no higher than the lowest descender ("l", "I" and "|" stay within the glyphs' extent), or a
//   line with no other mark beside it; also when drawn against the first or last glyph of a line (a text
//   view's caret before its first character), then clearly taller than every glyph of the line, and the
//   glyph keeps its edge.
// A terminal's cursor standing on a character (a command line being edited) is a cell-shaped block or frame
// that spans its line, ink along the cell's whole top and bottom rows: a block is turned to the page's
// polarity, the character inside taking the block's shade; a frame (the window not focused) loses only its
// sides, the character inside stays. Han characters drawn as boxes ("日", "目", "田") stay as they are.
// The result is 8-bit grey.
QImage eraseTextCursors(const QImage& image);

} // namespace tolvane
