#include "panel/result_panel_app_settings.h"

#include "model/app_settings.h"
#include "model/raw_enum.h"

namespace tolvane {

ResultPanelAppSettings::ResultPanelAppSettings(AppSettings* settings, QObject* parent)
    : ResultPanelSettings(parent), m_settings(settings) {
    connect(settings, &AppSettings::sourceLanguageChanged, this, &ResultPanelSettings::sourceLanguageChanged);
    connect(settings, &AppSettings::targetLanguageChanged, this, &ResultPanelSettings::targetLanguageChanged);
    connect(settings, &AppSettings::translationEngineChanged, this,
            &ResultPanelSettings::translationEngineChanged);
    connect(settings, &AppSettings::cloudTranslationQualityChanged, this,
            &ResultPanelSettings::cloudTranslationQualityChanged);
    connect(settings, &AppSettings::translationStyleChanged, this,
            &ResultPanelSettings::translationStyleChanged);
}

QString ResultPanelAppSettings::sourceLanguage() const {
    return m_settings ? m_settings->sourceLanguage() : QString();
}

QString ResultPanelAppSettings::targetLanguage() const {
    return m_settings ? m_settings->targetLanguage() : QString();
}

std::optional<TranslationEngine> ResultPanelAppSettings::translationEngine() const {
    return m_settings ? m_settings->chosenTranslationEngine() : TranslationEngine::cloudStandard;
}

CloudTranslationQuality ResultPanelAppSettings::cloudTranslationQuality() const {
    return m_settings ? m_settings->cloudTranslationQuality() : CloudTranslationQuality::standard;
}

QString ResultPanelAppSettings::translationStyleKey() const {
    return m_settings ? rawValue(m_settings->translationStyle()) : QString();
}

void ResultPanelAppSettings::setSourceLanguage(const QString& code) {
    if (m_settings)
        m_settings->setSourceLanguage(code);
}

void ResultPanelAppSettings::setTargetLanguage(const QString& code) {
    if (m_settings)
        m_settings->setTargetLanguage(code);
}

void ResultPanelAppSettings::setTranslationEngine(TranslationEngine engine) {
    if (m_settings)
        m_settings->setTranslationEngine(engine);
}

void ResultPanelAppSettings::selectCloudTranslationQuality(CloudTranslationQuality quality) {
    if (m_settings)
        m_settings->selectCloudTranslationQuality(quality);
}

} // namespace tolvane
