#pragma once

#include "ocr/screenshot_run_ports.h"
#include "workflow/auto_selection_button_controller.h"

namespace tolvane {

class AppSettings;

// The selection capsule's settings over AppSettings. AppSettings notifies synchronously, so nothing is ever
// pending.
class AppSettingsCapsuleSettings final : public AutoSelectionButtonSettings {
public:
    explicit AppSettingsCapsuleSettings(AppSettings& settings) : m_settings(settings) {}

    bool autoSelectionButtonEnabled() const override;
    void setTranslationStyle(TranslationStyle style) override;
    void flushPendingChanges() override {}

private:
    AppSettings& m_settings;
};

// The screenshot runs' settings over AppSettings: the capture mode, the remembered region, the source
// language as the recognition hint and the glossary as custom words.
class AppSettingsScreenshotSettings final : public ScreenshotRunSettings {
public:
    explicit AppSettingsScreenshotSettings(AppSettings& settings) : m_settings(settings) {}

    ScreenshotCaptureMode captureMode() const override;
    void setCaptureMode(ScreenshotCaptureMode mode) override;
    std::optional<ScreenshotRegionMemory> regionMemory() const override;
    void rememberRegion(const ScreenshotRegionMemory& memory) override;
    QString languageHint() const override;
    QStringList customWords() const override;

private:
    AppSettings& m_settings;
};

} // namespace tolvane
