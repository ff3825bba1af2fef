#pragma once

#include "platform/key_value_store.h"

#include <QSettings>
#include <functional>
#include <memory>

namespace tolvane {

// The user's settings file, INI format: $XDG_CONFIG_HOME/Tolvane/Tolvane.ini by default. INI keeps no types
// (a Boolean comes back from a new process as the text "true"); read values through the typed readers.
//
// QSettings drops what it cannot parse when it next writes the file. So the file is test-read when the
// store opens it: a damaged file is copied to "<file>.damaged-<its modification time>" first (nothing is
// lost) and the store reports itself damaged.
//
// QSettings keeps the first error it met for as long as it lives, so its status cannot tell whether a later
// write went through. A sync after any error is therefore made through a new QSettings on the same file:
// objects on one file in one process share its unsaved changes, and the new one's status is that write's.

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
    bool sync() override;
    bool isDamaged() const override { return m_damaged; }

    QString fileName() const { return m_settings->fileName(); }

private:
    explicit QSettingsKeyValueStore(std::function<std::unique_ptr<QSettings>()> open);
    void checkReadable();

    // Makes a QSettings on the store's file, the same way each time.
    std::function<std::unique_ptr<QSettings>()> m_open;
    std::unique_ptr<QSettings> m_settings;
    bool m_damaged = false;
};

} // namespace tolvane
