#include "platform/qsettings_key_value_store.h"

#include "core/logging.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace tolvane {

QSettingsKeyValueStore::QSettingsKeyValueStore()
    : QSettingsKeyValueStore([] {
          return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("Tolvane"), QStringLiteral("Tolvane"));
      }) {}

QSettingsKeyValueStore::QSettingsKeyValueStore(const QString& path)
    : QSettingsKeyValueStore([path] { return std::make_unique<QSettings>(path, QSettings::IniFormat); }) {}

QSettingsKeyValueStore::QSettingsKeyValueStore(std::function<std::unique_ptr<QSettings>()> open)
    : m_open(std::move(open)), m_settings(m_open()) {
    checkReadable();
}

void QSettingsKeyValueStore::checkReadable() {
    const QFileInfo file(m_settings->fileName());
    if (!file.isFile())
        return;
    // Reading every key parses every section; a part that cannot be parsed sets FormatError, the part a
    // later write would drop. Nothing is written to find out.
    m_settings->allKeys();
    m_damaged = m_settings->status() == QSettings::FormatError;
    if (!m_damaged)
        return;
    const QString copy = file.filePath() + QStringLiteral(".damaged-") +
                         file.lastModified().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    if (QFileInfo::exists(copy) || QFile::copy(file.filePath(), copy))
        qCWarning(lcSettings).noquote()
            << "The settings file" << file.filePath() << "has content that cannot be read; a copy is kept at"
            << copy << "and settings that cannot be read start from their defaults";
    else
        qCWarning(lcSettings).noquote() << "The settings file" << file.filePath()
                                        << "has content that cannot be read, and no copy could be made";
}

QVariant QSettingsKeyValueStore::value(const QString& key) const {
    return m_settings->value(key);
}

void QSettingsKeyValueStore::setValue(const QString& key, const QVariant& value) {
    m_settings->setValue(key, value);
}

void QSettingsKeyValueStore::remove(const QString& key) {
    m_settings->remove(key);
}

bool QSettingsKeyValueStore::contains(const QString& key) const {
    return m_settings->contains(key);
}

bool QSettingsKeyValueStore::sync() {
    // After an error (a failed write, or the damaged file's reading) the status would keep that error, so
    // this write goes through a fresh object, made while the old one still holds the unsaved changes.
    if (m_settings->status() != QSettings::NoError)
        m_settings = m_open();
    m_settings->sync();
    // A file that cannot be written fails only a write with changes; with none, writability is asked.
    const bool failed = m_settings->status() != QSettings::NoError || !m_settings->isWritable();
    if (failed)
        qCWarning(lcSettings).noquote() << "Could not write the settings file" << m_settings->fileName();
    return !failed;
}

} // namespace tolvane
