#pragma once

#include "platform/language_recognizer.h"

#include <QStringList>

namespace tolvane {

// Answers with a fixed result and remembers every text it was asked about.
class FakeLanguageRecognizer final : public LanguageRecognizer {
public:
    explicit FakeLanguageRecognizer(std::optional<RecognizedLanguage> answer) : m_answer(std::move(answer)) {}

    std::optional<RecognizedLanguage> dominant(const QString& text) const override {
        m_seen.append(text);
        return m_answer;
    }

    const QStringList& seen() const { return m_seen; }

private:
    std::optional<RecognizedLanguage> m_answer;
    mutable QStringList m_seen;
};

} // namespace tolvane
