#pragma once

#include "model/cloud_translation_quality.h"
#include "model/translation_engine.h"
#include "model/translation_style.h"

#include <QObject>
#include <QString>

namespace tolvane {

class AppSettings;

// Watches the settings a translation depends on and reports their real changes once per event-loop turn,
// never inside the settings' own change signals: a swap (source, then target) is one change with both
// final values, and a value changed and changed back within one turn is none.
class SettingsWatch : public QObject {
    Q_OBJECT

public:
    explicit SettingsWatch(AppSettings& settings, QObject* parent = nullptr);

Q_SIGNALS:
    // Languages, style, engine or hosted quality differ from the last report.
    void translationSettingsChanged();
    // Automatic translation while typing was switched.
    void autoTranslateChanged(bool on);

private:
    struct Snapshot {
        QString sourceLanguage;
        QString targetLanguage;
        TranslationStyle style{};
        TranslationEngine engine{};
        CloudTranslationQuality quality{};
        bool autoTranslate = false;
    };
    Snapshot current() const;
    void schedule();
    void flush();

    AppSettings& m_settings;
    Snapshot m_seen;
    bool m_scheduled = false;
};

} // namespace tolvane
