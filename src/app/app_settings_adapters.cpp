#include "app/app_settings_adapters.h"

#include "model/app_settings.h"

namespace tolvane {

bool AppSettingsCapsuleSettings::autoSelectionButtonEnabled() const {
    return m_settings.autoSelectionButtonEnabled();
}

void AppSettingsCapsuleSettings::setTranslationStyle(TranslationStyle style) {
    m_settings.setTranslationStyle(style);
}

ScreenshotCaptureMode AppSettingsScreenshotSettings::captureMode() const {
    return m_settings.screenshotCaptureMode();
}

void AppSettingsScreenshotSettings::setCaptureMode(ScreenshotCaptureMode mode) {
    m_settings.setScreenshotCaptureMode(mode);
}

std::optional<ScreenshotRegionMemory> AppSettingsScreenshotSettings::regionMemory() const {
    return m_settings.screenshotRegionMemory();
}

void AppSettingsScreenshotSettings::rememberRegion(const ScreenshotRegionMemory& memory) {
    m_settings.rememberScreenshotRegion(memory);
}

QString AppSettingsScreenshotSettings::languageHint() const {
    return m_settings.sourceLanguage();
}

QStringList AppSettingsScreenshotSettings::customWords() const {
    QStringList words;
    for (const GlossaryTerm& term : m_settings.glossaryTerms())
        words << term.source << term.target;
    return words;
}

} // namespace tolvane
