#include "model/history_entry.h"

#include "core/text.h"

#include <QHashFunctions>

namespace tolvane {

bool operator==(const HistoryEntry& a, const HistoryEntry& b) {
    using text::canonicallyEqual;
    return canonicallyEqual(a.id, b.id) && canonicallyEqual(a.sourceText, b.sourceText) &&
           canonicallyEqual(a.resultText, b.resultText) && a.action == b.action &&
           canonicallyEqual(a.sourceLanguage, b.sourceLanguage) &&
           canonicallyEqual(a.targetLanguage, b.targetLanguage) && canonicallyEqual(a.provider, b.provider) &&
           a.createdAt == b.createdAt;
}

size_t qHash(const HistoryEntry& entry, size_t seed) {
    using text::canonicalHash;
    return qHashMulti(seed, canonicalHash(entry.id), canonicalHash(entry.sourceText),
                      canonicalHash(entry.resultText), rawValue(entry.action),
                      canonicalHash(entry.sourceLanguage), canonicalHash(entry.targetLanguage),
                      canonicalHash(entry.provider), entry.createdAt);
}

} // namespace tolvane
