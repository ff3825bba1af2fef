#pragma once

#include <QString>
#include <optional>

namespace tolvane {

struct RecognizedLanguage {
    QString code;      // BCP 47-style code as the recognizer names it
    double confidence; // 0..1; 0 when the recognizer does not vouch for the result
};

// Names the dominant language of a text. Implementations are stateless and may be shared.
class LanguageRecognizer {
public:
    virtual ~LanguageRecognizer() = default;

    // No value when the recognizer cannot name a language.
    virtual std::optional<RecognizedLanguage> dominant(const QString& text) const = 0;
};

// The recognizer of the running system (CLD2).
const LanguageRecognizer& defaultRecognizer();

} // namespace tolvane
