#include "workspace/settings_watch.h"

#include "model/app_settings.h"

#include <QTimer>

namespace tolvane {

SettingsWatch::SettingsWatch(AppSettings& settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_seen(current()) {
    for (auto signal :
         {&AppSettings::sourceLanguageChanged, &AppSettings::targetLanguageChanged,
          &AppSettings::translationStyleChanged, &AppSettings::translationEngineChanged,
          &AppSettings::cloudTranslationQualityChanged, &AppSettings::autoTranslateWhileTypingChanged})
        connect(&settings, signal, this, &SettingsWatch::schedule);
}

SettingsWatch::Snapshot SettingsWatch::current() const {
    return {m_settings.sourceLanguage(),          m_settings.targetLanguage(),
            m_settings.translationStyle(),        m_settings.translationEngine(),
            m_settings.cloudTranslationQuality(), m_settings.autoTranslateWhileTyping()};
}

void SettingsWatch::schedule() {
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, &SettingsWatch::flush);
}

void SettingsWatch::flush() {
    m_scheduled = false;
    const Snapshot now = current();
    const Snapshot seen = std::exchange(m_seen, now);
    if (now.autoTranslate != seen.autoTranslate)
        Q_EMIT autoTranslateChanged(now.autoTranslate);
    if (now.sourceLanguage != seen.sourceLanguage || now.targetLanguage != seen.targetLanguage ||
        now.style != seen.style || now.engine != seen.engine || now.quality != seen.quality)
        Q_EMIT translationSettingsChanged();
}

} // namespace tolvane
