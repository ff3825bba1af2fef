#include "model/ai_request.h"

#include "core/text.h"

namespace tolvane {

bool operator==(const AIRequest& a, const AIRequest& b) {
    // `action` has a single case and never differs.
    return text::canonicallyEqual(a.sourceText, b.sourceText) &&
           text::canonicallyEqual(a.sourceLanguage, b.sourceLanguage) &&
           text::canonicallyEqual(a.targetLanguage, b.targetLanguage) && a.style == b.style &&
           a.glossaryTerms == b.glossaryTerms;
}

} // namespace tolvane
