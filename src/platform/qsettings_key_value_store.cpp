#include "platform/qsettings_key_value_store.h"

#include "core/logging.h"

namespace tolvane {

QSettingsKeyValueStore::QSettingsKeyValueStore()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tolvane"),
                 QStringLiteral("Tolvane")) {}

QSettingsKeyValueStore::QSettingsKeyValueStore(const QString& path)
    : m_settings(path, QSettings::IniFormat) {}

QVariant QSettingsKeyValueStore::value(const QString& key) const {
    return m_settings.value(key);
}

void QSettingsKeyValueStore::setValue(const QString& key, const QVariant& value) {
    m_settings.setValue(key, value);
}

void QSettingsKeyValueStore::remove(const QString& key) {
    m_settings.remove(key);
}

bool QSettingsKeyValueStore::contains(const QString& key) const {
    return m_settings.contains(key);
}

void QSettingsKeyValueStore::sync() {
    m_settings.sync();
    if (m_settings.status() != QSettings::NoError)
        qCWarning(lcSettings) << "Could not write the settings file" << m_settings.fileName()
                              << m_settings.status();
}

} // namespace tolvane
