#pragma once

#include "platform/key_value_store.h"

#include <QSettings>

namespace tolvane {

// The user's settings file, INI format: $XDG_CONFIG_HOME/Tolvane/Tolvane.ini by default. INI keeps no types
// (a Boolean comes back from a new process as the text "true"); read values through the typed readers.
class QSettingsKeyValueStore final : public KeyValueStore {
public:
    // The user's file: QSettings(IniFormat, UserScope, "Tolvane", "Tolvane").
    QSettingsKeyValueStore();
    // An INI file at `path` (tests, alternative profiles).
    explicit QSettingsKeyValueStore(const QString& path);

    QVariant value(const QString& key) const override;
    void setValue(const QString& key, const QVariant& value) override;
    void remove(const QString& key) override;
    bool contains(const QString& key) const override;
    void sync() override;

    QString fileName() const { return m_settings.fileName(); }

private:
    QSettings m_settings;
};

} // namespace tolvane
