#pragma once

#include "model/ai_action.h"
#include "model/glossary_term.h"
#include "model/translation_style.h"

#include <QList>
#include <QString>

namespace tolvane {

// One translation request as handed to a provider.
struct AIRequest {
    AIAction action = AIAction::translate;
    QString sourceText;
    QString sourceLanguage; // a code of the language table, or "auto"
    QString targetLanguage; // a code of the language table
    TranslationStyle style = TranslationStyle::literal;
    QList<GlossaryTerm> glossaryTerms; // in the user's order

    // Texts compare by canonical equivalence; glossary terms element by element, in order.
    friend bool operator==(const AIRequest& a, const AIRequest& b);
};

// One streamed piece of result text.
struct AIChunk {
    QString text;
};

} // namespace tolvane
