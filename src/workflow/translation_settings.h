#pragma once

#include "core/async/cancellation.h"
#include "model/cloud_translation_quality.h"
#include "model/glossary_term.h"
#include "model/translation_engine.h"
#include "model/translation_style.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <optional>

namespace tolvane {

// The settings the coordinator reads for each translation, and the hosted usage counters it updates.
class TranslationSettings {
public:
    virtual ~TranslationSettings() = default;
    virtual QString sourceLanguage() const = 0; // a language code or "auto"
    virtual QString targetLanguage() const = 0;
    virtual TranslationStyle translationStyle() const = 0;
    // Terms whose trimmed source and target are both non-empty, in the user's order.
    virtual QList<GlossaryTerm> activeGlossaryTerms() const = 0;
    // None while the stored choice could not be read and the user has not chosen one since.
    virtual std::optional<TranslationEngine> translationEngine() const = 0;
    virtual CloudTranslationQuality cloudTranslationQuality() const = 0;
    virtual QString baseURLString() const = 0;
    virtual QString model() const = 0;
    virtual bool autoCopyResult() const = 0;
    virtual bool autoTranslateWhileTyping() const = 0;
    virtual void addCloudCharactersUsed(qint64 characters) = 0;
    virtual void updateCloudUsage(std::optional<qint64> limit, std::optional<qint64> used) = 0;
};

// Reads the stored API key of the chat-completions endpoint. Throws the secret store's error.
class ApiKeySource {
public:
    virtual ~ApiKeySource() = default;
    virtual QCoro::Task<std::optional<QString>> readAPIKey(CancellationToken token) = 0;
};

} // namespace tolvane
