#include "model/translation_language.h"

#include "core/text.h"

#include <QHashFunctions>

namespace tolvane {

bool operator==(const TranslationLanguage& a, const TranslationLanguage& b) {
    return text::canonicallyEqual(a.id, b.id) && text::canonicallyEqual(a.displayName, b.displayName);
}

size_t qHash(const TranslationLanguage& language, size_t seed) {
    return qHashMulti(seed, text::canonicalHash(language.id), text::canonicalHash(language.displayName));
}

} // namespace tolvane
