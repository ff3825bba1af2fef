#pragma once

#include "workflow/translation_settings.h"

namespace tolvane {

class AppSettings;

// The coordinator's settings, read live from the application's AppSettings: each call reads the current
// value, so a change in the settings window applies to the next translation.
class AppSettingsTranslationSettings final : public TranslationSettings {
public:
    explicit AppSettingsTranslationSettings(AppSettings& settings) : m_settings(settings) {}

    QString sourceLanguage() const override;
    QString targetLanguage() const override;
    TranslationStyle translationStyle() const override;
    QList<GlossaryTerm> activeGlossaryTerms() const override;
    std::optional<TranslationEngine> translationEngine() const override;
    CloudTranslationQuality cloudTranslationQuality() const override;
    QString baseURLString() const override;
    QString model() const override;
    bool autoCopyResult() const override;
    bool autoTranslateWhileTyping() const override;
    void addCloudCharactersUsed(qint64 characters) override;
    void updateCloudUsage(std::optional<qint64> limit, std::optional<qint64> used) override;

private:
    AppSettings& m_settings;
};

} // namespace tolvane
