#pragma once

#include "model/glossary_term.h"
#include "model/translation_style.h"

#include <QList>
#include <QString>

namespace tolvane {

// The translation-memory key of a request: SHA-256 (64 lower-case hex digits) of
//   trimmed source, "translate", target language, style raw value, glossary
// joined by U+001F, where the glossary is the active terms sorted by source (case-insensitive, digit runs by
// value, stable) rendered "source=target" (both trimmed) and joined by U+001E. Pure; callable anywhere.
QString memoryCacheKey(const QString& sourceText, const QString& targetLanguage, TranslationStyle style,
                       const QList<GlossaryTerm>& glossaryTerms);

} // namespace tolvane
