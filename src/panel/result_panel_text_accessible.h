#pragma once

namespace tolvane {

// Installs, once per process, the accessible interface of ResultPanelTextView: read-only multi-line text
// whose text, offsets, selection, caret and character boxes are those of the text as copying gives it,
// without the block ends the view adds for showing a long paragraph.
void installResultPanelTextAccessible();

} // namespace tolvane
