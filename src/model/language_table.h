#pragma once

#include "model/translation_language.h"

#include <QList>
#include <QString>

namespace tolvane {

// The code of the automatic-detection row.
inline constexpr char kAutoLanguageCode[] = "auto";

// The 38 languages a translation can target, in picker order. Built once, on first use, with the display
// names of the locale current at that moment.
const QList<TranslationLanguage>& targetLanguages();

// The automatic-detection row followed by targetLanguages() (39 rows).
const QList<TranslationLanguage>& sourceLanguages();

// The automatic-detection row ("auto", "自动检测").
const TranslationLanguage& autoDetectLanguage();

// "auto" gives the automatic-detection name, a table code its row's name; any other code (the empty one too)
// comes back unchanged. Exact, case-sensitive comparison.
QString displayNameForLanguageCode(const QString& code);

} // namespace tolvane
