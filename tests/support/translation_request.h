#pragma once

#include "model/ai_request.h"

namespace tolvane::testing {

// A translation request from an automatically detected source language.
inline AIRequest translationRequest(QString source, QString target = QStringLiteral("zh-Hans"),
                                    TranslationStyle style = TranslationStyle::literal,
                                    QList<GlossaryTerm> terms = {}) {
    return AIRequest{AIAction::translate, std::move(source), QStringLiteral("auto"), std::move(target), style,
                     std::move(terms)};
}

} // namespace tolvane::testing
