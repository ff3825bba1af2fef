#include "app/app_storage.h"

#include "core/logging.h"
#include "model/history_store.h"
#include "model/keychain_store.h"
#include "platform/memory/memory_key_value_store.h"
#include "platform/memory/memory_secret_backend.h"
#include "platform/qsettings_key_value_store.h"
#include "platform/secret/secret_backend_loader.h"

#include <QCoreApplication>
#include <QDir>

namespace tolvane {

AppStorage::AppStorage(const LaunchEnvironment& environment) {
    if (environment.isTestHost()) {
        const QString suite = testSuitePrefix + QString::number(QCoreApplication::applicationPid());
        const QString directory = QDir(QDir::tempPath()).filePath(suite);
        QDir().mkpath(directory);
        m_artifacts = UnitTestArtifacts{suite, directory};
        m_settings = std::make_unique<MemoryKeyValueStore>();
        m_secrets = std::make_unique<MemorySecretBackend>();
        m_keychain = std::make_unique<KeychainStore>(*m_secrets, suite);
        m_historyPath = QDir(directory).filePath(historyFileName);
        qCInfo(lcAppDelegate).noquote()
            << "Test host: settings and secrets in memory, storage in" << directory;
        return;
    }

    m_settings = std::make_unique<QSettingsKeyValueStore>();
    if (environment.isSnapshotRun())
        m_secrets = std::make_unique<MemorySecretBackend>();
    else
        m_secrets = loadedSecretBackend();
    m_keychain = std::make_unique<KeychainStore>(*m_secrets);
    // $XDG_DATA_HOME/Tolvane/History.sqlite3; the store creates the folder and keeps it private.
    m_historyPath = HistoryStore::defaultPath();
}

AppStorage::~AppStorage() {
    removeTestHostStorage();
}

void AppStorage::removeTestHostStorage() {
    if (!m_artifacts)
        return;
    const QString directory = m_artifacts->directory;
    m_artifacts.reset();
    if (!QDir(directory).removeRecursively())
        qCWarning(lcAppDelegate).noquote() << "Could not remove the test host's folder" << directory;
}

} // namespace tolvane
