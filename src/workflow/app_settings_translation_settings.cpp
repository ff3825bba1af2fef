#include "workflow/app_settings_translation_settings.h"

#include "model/app_settings.h"

namespace tolvane {

QString AppSettingsTranslationSettings::sourceLanguage() const {
    return m_settings.sourceLanguage();
}

QString AppSettingsTranslationSettings::targetLanguage() const {
    return m_settings.targetLanguage();
}

TranslationStyle AppSettingsTranslationSettings::translationStyle() const {
    return m_settings.translationStyle();
}

QList<GlossaryTerm> AppSettingsTranslationSettings::activeGlossaryTerms() const {
    return m_settings.activeGlossaryTerms();
}

std::optional<TranslationEngine> AppSettingsTranslationSettings::translationEngine() const {
    return m_settings.chosenTranslationEngine();
}

CloudTranslationQuality AppSettingsTranslationSettings::cloudTranslationQuality() const {
    return m_settings.cloudTranslationQuality();
}

QString AppSettingsTranslationSettings::baseURLString() const {
    return m_settings.baseURLString();
}

QString AppSettingsTranslationSettings::model() const {
    return m_settings.model();
}

bool AppSettingsTranslationSettings::autoCopyResult() const {
    return m_settings.autoCopyResult();
}

bool AppSettingsTranslationSettings::autoTranslateWhileTyping() const {
    return m_settings.autoTranslateWhileTyping();
}

void AppSettingsTranslationSettings::addCloudCharactersUsed(qint64 characters) {
    m_settings.addCloudCharactersUsed(characters);
}

void AppSettingsTranslationSettings::updateCloudUsage(std::optional<qint64> limit,
                                                      std::optional<qint64> used) {
    m_settings.updateCloudUsage(limit, used);
}

} // namespace tolvane
