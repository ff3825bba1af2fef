#pragma once

#include <QString>

namespace tolvane {

// The longest text a source editor (the main window's and the floating panel's) takes, in UTF-16 code
// units: twice what one translation sends, so a text somewhat too long can still be pasted and cut down to
// size, and short enough that a keystroke in one paragraph of this length, laid out again as a whole, stays
// under 50 ms. A longer paste or drop is refused whole, with words, rather than cut: a cut text would be
// taken for the whole.
inline constexpr qsizetype maximumSourceLength = 40000;

// Says why a text of `length` characters was not put into a source editor.
QString sourceTextRefusal(qsizetype length);

} // namespace tolvane
