#pragma once

#include <QString>

namespace tolvane {

// The language family a code belongs to for the same-language short cut: "_" becomes "-", the code is
// lower-cased, every "zh…", "en…" and "pt…" code folds to "zh", "en" and "pt", and any other code keeps its
// first non-empty "-" piece ("fr-CA" -> "fr"). An empty code gives "".
QString languageFamily(const QString& code);

// True when a translation from `source` to `target` would not change the language. A source of exactly
// "auto" never matches: the language is unknown.
bool isSameLanguage(const QString& source, const QString& target);

} // namespace tolvane
