#pragma once

#include "ocr/screenshot_run_ports.h"
#include "workflow/auto_selection_button_controller.h"

#include <functional>

namespace tolvane {

class AppSettings;

// The selection capsule's settings over AppSettings. AppSettings notifies synchronously, but some of its
// listeners (the result panel's re-translation) react on a later turn: `runDeferredReactions` runs those
// now, so a translation the capsule starts right after storing a style is not replaced by them.
class AppSettingsCapsuleSettings final : public AutoSelectionButtonSettings {
public:
    AppSettingsCapsuleSettings(AppSettings& settings, std::function<void()> runDeferredReactions)
        : m_settings(settings), m_runDeferredReactions(std::move(runDeferredReactions)) {}

    bool autoSelectionButtonEnabled() const override;
    void setTranslationStyle(TranslationStyle style) override;
    void flushPendingChanges() override { m_runDeferredReactions(); }

private:
    AppSettings& m_settings;
    std::function<void()> m_runDeferredReactions;
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
