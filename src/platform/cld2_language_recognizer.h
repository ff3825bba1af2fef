#pragma once

#include "platform/language_recognizer.h"

namespace tolvane {

// Language recognition with CLD2 (Compact Language Detector 2).
// CLD2's legacy codes are renamed to the ones the language table uses (iw -> he, no/nn -> nb, tl -> fil) and
// its "unknown" answer becomes no value. The confidence is CLD2's share of the text for the top language
// when CLD2 calls the result reliable, otherwise 0.
class Cld2LanguageRecognizer final : public LanguageRecognizer {
public:
    std::optional<RecognizedLanguage> dominant(const QString& text) const override;

    // The language-table spelling of a CLD2 code; no value for CLD2's unknown language.
    static std::optional<QString> adaptCode(const QString& cld2Code);
};

} // namespace tolvane
