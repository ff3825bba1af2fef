#pragma once

#include "panel/result_panel_settings.h"

#include <QPointer>

namespace tolvane {

class AppSettings;

// The result panel's settings read from and written to the application's one settings object. Change
// signals are forwarded as they come, so the panel sees exactly the real changes the settings object
// reports. The settings object must outlive this adapter or be deleted first; then reads give the
// defaults and writes are dropped.
class ResultPanelAppSettings final : public ResultPanelSettings {
    Q_OBJECT

public:
    explicit ResultPanelAppSettings(AppSettings* settings, QObject* parent = nullptr);

    QString sourceLanguage() const override;
    QString targetLanguage() const override;
    std::optional<TranslationEngine> translationEngine() const override;
    CloudTranslationQuality cloudTranslationQuality() const override;
    QString translationStyleKey() const override;

    void setSourceLanguage(const QString& code) override;
    void setTargetLanguage(const QString& code) override;
    void setTranslationEngine(TranslationEngine engine) override;
    void selectCloudTranslationQuality(CloudTranslationQuality quality) override;

private:
    QPointer<AppSettings> m_settings;
};

} // namespace tolvane
